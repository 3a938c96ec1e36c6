// The tool's module commands over both USB kinds: the fake HID backend carries the feature
// reports to the simulated module in process.
#include <gtest/gtest.h>

#include <sstream>

#include "base/clock.h"
#include "cli/cli_main.h"
#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "link/transactions.h"

namespace karvelm {
namespace {

using testing::TFakeHidScope;
using testing::TSimHidModule;

struct TRun {
  int code;
  std::string out, err;
};

class CliUsb : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override { SequenceNumber = 0; }
  void TearDown() override { SetClock(nullptr); }

  // A module of the test's generation plugged into the fake backend, running program.
  TSimHidModule& Plug(TSimProgram program) {
    TSimConfig config;
    config.program = program;
    config.restartMs = 300;
    module_ = std::make_unique<TSimHidModule>(GetParam(), config);
    SetClock(&module_->clock);  // the tool's waits move the module's time
    hid_.backend().Plug(module_->device);
    return *module_;
  }

  TRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--link", GetParam() == itHID_OLD ? "usb1" : "usb2"});
    std::ostringstream out, err;
    int code = cli::RunCli(args, out, err);
    return {code, out.str(), err.str()};
  }

  TFakeHidScope hid_;
  std::unique_ptr<TSimHidModule> module_;
};

TEST_P(CliUsb, IdentifyBothPrograms) {
  Plug(spFirmware);
  TRun r = Run({"identify", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"state\": \"firmware\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"firmware_version\": \"2.0.34.\""), std::string::npos) << r.out;

  module_->sim.SetProgram(spLoader);
  r = Run({"identify", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"state\": \"bootloader\""), std::string::npos) << r.out;
}

TEST_P(CliUsb, BusWriteReadAndTheReportsOnTheWire) {
  TSimHidModule& module = Plug(spFirmware);
  EXPECT_EQ(Run({"bus", "write", "1000", "123"}).code, 0);
  TRun r = Run({"bus", "read", "1000", "2", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"address\": \"1000\", \"words\": [\"123\", \"0\"]}\n");

  // Every command report the module received has the size and marker of its generation.
  const bool legacy = GetParam() == itHID_OLD;
  int commands = 0;
  for (const auto& received : module.sim.Received()) {
    ASSERT_FALSE(received.raw.empty());
    if (legacy) {
      EXPECT_EQ(received.raw.size(), 65u);
      EXPECT_EQ(received.raw[0], 0);
      EXPECT_EQ(received.raw[1], 0x55);
    } else {
      EXPECT_EQ(received.raw.size(), 64u);
      EXPECT_EQ(received.raw[0], 1);
    }
    ++commands;
  }
  EXPECT_GT(commands, 0);
}

TEST_P(CliUsb, RestartFromTheBootloader) {
  TSimHidModule& module = Plug(spLoader);
  TRun r = Run({"restart"});
  EXPECT_EQ(r.code, 0) << r.err;
  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spFirmware);
}

TEST_P(CliUsb, NoModulePluggedIn) {
  TRun r = Run({"identify"});
  EXPECT_EQ(r.code, 1);
  r = Run({"bus", "read", "1000"});
  EXPECT_EQ(r.code, 1);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
