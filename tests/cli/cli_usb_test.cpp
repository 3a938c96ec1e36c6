// The tool's module commands over both USB kinds: the fake HID backend carries the feature
// reports to the simulated module in process.
#include <gtest/gtest.h>

#include "cli_usb_fixture.h"

namespace karvelm {
namespace {

using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TSimHidModule;

using CliUsb = TCliUsbFixture;

TEST_P(CliUsb, IdentifyBothPrograms) {
  Plug(spFirmware);
  TCliRun r = Run({"identify", "--json"});
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
  TCliRun r = Run({"bus", "read", "1000", "2", "--json"});
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
  TCliRun r = Run({"restart"});
  EXPECT_EQ(r.code, 0) << r.err;
  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spFirmware);
}

TEST_P(CliUsb, NoModulePluggedIn) {
  TCliRun r = Run({"identify"});
  EXPECT_EQ(r.code, 1);
  r = Run({"bus", "read", "1000"});
  EXPECT_EQ(r.code, 1);
}

// The module is plugged in but its device is closed to this user (no udev rule): every module
// command says so and how to fix it, instead of reporting the module absent; nothing is sent.
TEST_P(CliUsb, DeniedDeviceIsReportedWithTheFix) {
  auto denied = testing::MakeDeniedFakeHidDevice("/dev/hidraw9", kModuleVendorId,
                                                 testing::ProductIdFor(GetParam()));
  hid_.backend().present.push_back(denied);
  for (std::vector<std::string> args : {std::vector<std::string>{"identify"},
                                        {"versions", "--json"},
                                        {"bus", "read", "1000"},
                                        {"config", "read", "1", "/nonexistent/never.bin"}}) {
    SCOPED_TRACE(args[0]);
    const TCliRun r = Run(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    for (const char* part : {"/dev/hidraw9", "нет прав доступа", "resources/udev/70-karvelm.rules",
                             "подключите его снова"})
      EXPECT_NE(r.err.find(part), std::string::npos) << part << " in " << r.err;
  }
  EXPECT_TRUE(denied->setReports.empty());
  EXPECT_EQ(hid_.backend().OpenCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
