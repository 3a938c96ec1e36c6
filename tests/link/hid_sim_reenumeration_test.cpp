// A USB module leaves the bus while it restarts and comes back after the restart silence: the
// simulated device fails every request meanwhile, and the fake backend sees it go and return.
#include <gtest/gtest.h>

#include <string>

#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "link/usb_detector.h"
#include "link_state_scope.h"
#include "sim_violations.h"

namespace karvelm::testing {
namespace {

class HidSimReenumerationTest : public ::testing::TestWithParam<TIntfType> {
 protected:
  static TSimConfig Leaving(TSimProgram program, bool leaves = true) {
    TSimConfig config;
    config.program = program;
    config.usbLeavesBusOnRestart = leaves;
    return config;
  }
  // The link takes the platform's events, as the user-interface loop does between operations.
  void HandleEvents() { ActiveLink->Transport().Detector()->HandlePending(); }

  const TIntfType kind = GetParam();
  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
  TLinkStateScope linkState;
};

TEST_P(HidSimReenumerationTest, EachRestartLeavesTheBusForItsSilence) {
  TSimHidModule module(kind, Leaving(spFirmware));
  module.PlugInto(backend);
  OpenLink(kind, kModuleVendorId, ProductIdFor(kind));
  ASSERT_TRUE(CheckModule(FirmwareIdFor(kind), kTimeoutDefault));

  struct {
    const char* what;
    uint8_t code;
    TSimProgram after;
  } const restarts[] = {{"enter loader", cmdEnterLoader, spLoader},
                        {"restart", cmdRestart, spFirmware}};
  for (const auto& r : restarts) {
    SCOPED_TRACE(r.what);
    ASSERT_TRUE(SendCommand(r.code, nullptr, 0));
    EXPECT_TRUE(module.offTheBus);
    EXPECT_TRUE(backend.present.empty()) << "the device is gone";
    HandleEvents();
    EXPECT_FALSE(ActiveLink->Connected());
    // The device itself fails every request while it is away (a stale handle).
    uint8_t report[65] = {};
    EXPECT_FALSE(module.transport.Write(report, kind == itHID_OLD ? 65 : 64));
    EXPECT_FALSE(module.transport.Read(report, kind == itHID_OLD ? 65 : 64, 0, nullptr));

    module.clock.Advance(kSimDefaultRestartMs - 1);
    EXPECT_TRUE(module.offTheBus);
    module.clock.Advance(1);
    EXPECT_FALSE(module.offTheBus) << "back on the bus when the silence ends";
    ASSERT_EQ(backend.present.size(), 1u);
    HandleEvents();
    EXPECT_TRUE(ActiveLink->Connected()) << "the arrival lets the link find it again";
    EXPECT_EQ(module.sim.Program(), r.after);
    EXPECT_TRUE(CheckModule(r.after == spLoader ? LOADER_ID : FirmwareIdFor(kind), 250));
  }
  ExpectNoViolations(module.sim);
}

TEST_P(HidSimReenumerationTest, SwitchedOffTheDeviceStaysAndIsSilent) {
  TSimHidModule module(kind, Leaving(spLoader, false));
  module.PlugInto(backend);
  OpenLink(kind, kModuleVendorId, ProductIdFor(kind));
  ASSERT_TRUE(SendCommand(cmdRestart, nullptr, 0));
  HandleEvents();
  EXPECT_FALSE(module.offTheBus);
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_FALSE(CheckModule(FirmwareIdFor(kind), 10));
  EXPECT_EQ(module.sim.Received().back().fate, sfRestarting);
  module.clock.Advance(kSimDefaultRestartMs);
  EXPECT_TRUE(CheckModule(FirmwareIdFor(kind), 10));
  ExpectNoViolations(module.sim);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, HidSimReenumerationTest,
                         ::testing::Values(itHID_OLD, itHID_NEW), [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "Old" : "New");
                         });

}  // namespace
}  // namespace karvelm::testing
