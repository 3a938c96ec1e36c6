// The tool over the USB kind of the test's parameter: the fake HID backend carries the feature
// reports to a simulated module in process, on the module's fake clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "in_process_cli.h"
#include "link/transactions.h"
#include "link_state_scope.h"
#include "sim_violations.h"

namespace karvelm::testing {

class TCliUsbFixture : public ::testing::TestWithParam<TIntfType> {
 protected:
  // The module saw nothing a real one would refuse.
  void TearDown() override {
    if (module_) ExpectNoViolations(module_->sim);
  }

  // A module of the test's generation plugged into the fake backend, running program.
  TSimHidModule& Plug(TSimProgram program) {
    TSimConfig config;
    config.program = program;
    if (module_) ExpectNoViolations(module_->sim);
    module_ = std::make_unique<TSimHidModule>(GetParam(), config);
    SetClock(&module_->clock);  // the tool's waits move the module's time
    hid_.backend().Plug(module_->device);
    return *module_;
  }

  TCliRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--link", GetParam() == itHID_OLD ? "usb1" : "usb2"});
    return RunCliInProcess(args);
  }

  TFakeHidScope hid_;
  std::unique_ptr<TSimHidModule> module_;
  TLinkStateScope linkState;  // the link goes before the module
};

}  // namespace karvelm::testing
