// The supervision logic against the in-process simulator on a fake clock, with a recording
// window and scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/link_chooser.h"
#include "app/sim_links.h"
#include "app/supervisor.h"
#include "base/clock.h"
#include "fake_shell_host.h"
#include "link/transactions.h"
#include "link_state_scope.h"
#include "scripted_dialogs.h"
#include "sim_violations.h"

namespace karvelm {

class ShellFixture : public testing::Test {
 protected:
  void SetUp() override { host.RegisterPages(shell); }
  // The simulated module saw nothing a real one would refuse.
  void TearDown() override {
    if (links) ExpectNoViolations(links->Sim());
  }

  // A simulated module and a link of the kind to it.
  void Open(TIntfType kind, TSimConfig config = {}) {
    ResetLinkState();
    if (links) ExpectNoViolations(links->Sim());
    links = std::make_unique<TSimulatorLinks>(config, &clock);
    OpenLinkOfKind(kind, "127.0.0.1", links->Factory(), shell.DEV_ID);
  }
  TModuleSim& Sim() { return links->Sim(); }

  static TSimConfig Running(TSimProgram program, uint32_t firmwareVersion = 0x02002200,
                            int restartMs = kSimDefaultRestartMs) {
    TSimConfig config;
    config.program = program;
    config.firmwareVersion = firmwareVersion;
    config.restartMs = restartMs;
    return config;
  }

  // One tick, a second after the last.
  void Tick() {
    clock.Advance(1000);
    shell.Timer1Timer();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Tick();
  }
  // Ticks until the bootloader state shows, at most n.
  bool TickUntilLoader(int n = 6) {
    for (int i = 0; i < n; ++i) {
      Tick();
      if (shell.boot_state.connected) return true;
    }
    return false;
  }

  // Command codes the module received, in order; cleared afterwards.
  std::vector<uint8_t> TakeCodes() {
    std::vector<uint8_t> codes;
    for (const auto& request : Sim().Requests()) {
      if (request.type == kSimTypeReply) codes.push_back(request.code);
    }
    Sim().ClearRecord();
    return codes;
  }
  static bool Contains(const std::vector<uint8_t>& codes, uint8_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  }
  std::vector<std::string> TakeLog() {
    auto log = host.log;
    host.log.clear();
    return log;
  }

  TFakeClock clock;
  TScriptedDialogs dialogs;
  TFakeShellHost host{dialogs};
  TSupervisor shell{host};
  std::unique_ptr<TSimulatorLinks> links;
  TLinkStateScope linkState{&clock};  // closes the link before the module goes
};

}  // namespace karvelm
