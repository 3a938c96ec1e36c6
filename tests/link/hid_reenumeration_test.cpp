// A restart takes a USB module off the bus and brings it back, often under another device
// path. The link must fail cleanly while it is gone and find it again: through the hot-plug
// notifications in the desktop program, through ReopenDevice for a caller that polls.
#include <gtest/gtest.h>

#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "link/usb_detector.h"
#include "link_state_scope.h"

namespace karvelm::testing {
namespace {

class HidReenumeration : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    kind = GetParam();
    backend.present.push_back(module.device);
  }

  void Open() {
    OpenLink(kind, kModuleVendorId, ProductIdFor(kind));
    ASSERT_TRUE(ActiveLink->Connected());
    ASSERT_TRUE(CheckModule(FirmwareIdFor(kind), 250));
  }

  // The same module after re-enumeration: a new device at a new path.
  TFakeHidDevicePtr ComesBack(const std::string& path) {
    auto device = MakeFakeHidDevice(path, kModuleVendorId, ProductIdFor(kind));
    device->onSetFeature = module.device->onSetFeature;
    device->onGetFeature = module.device->onGetFeature;
    return device;
  }

  // While the module is away every operation fails at once.
  void ExpectCleanFailures() {
    uint8_t buffer[4] = {};
    EXPECT_FALSE(CheckModule(FirmwareIdFor(kind), 250));
    EXPECT_FALSE(Transact(0x02, nullptr, 0, buffer, 4, 250));
    EXPECT_FALSE(WriteData(buffer, 4, 250));
    EXPECT_FALSE(ReadData(0x0C, nullptr, 0, buffer, 4, 250));
  }

  TIntfType kind = itHID_NEW;
  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
  TSimHidModule module{GetParam()};
  TLinkStateScope linkState;
};

TEST_P(HidReenumeration, NotificationsFindTheModuleUnderItsNewPath) {
  Open();
  TUSBDetector* detector = ActiveLink->Transport().Detector();
  backend.Unplug(module.device);
  // Not handled yet: the handle still points at the device that left.
  ExpectCleanFailures();

  detector->HandlePending();
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_EQ(backend.OpenCount(), 0);
  const int callsBefore = backend.featureCalls;
  ExpectCleanFailures();
  EXPECT_EQ(backend.featureCalls, callsBefore) << "a closed handle is not used";

  auto back = ComesBack("/dev/hidraw-module-2");
  backend.Plug(back);
  detector->HandlePending();
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_TRUE(backend.IsOpen(back));
  EXPECT_EQ(backend.OpenCount(), 1);
  EXPECT_TRUE(CheckModule(FirmwareIdFor(kind), 250));
}

TEST_P(HidReenumeration, PollingCallerFindsTheModuleWithoutNotifications) {
  for (bool monitor : {true, false}) {
    SCOPED_TRACE(monitor ? "notifications waiting" : "no notifications at all");
    backend.monitorRefused = !monitor;
    backend.present = {module.device};
    Open();
    EXPECT_TRUE(ActiveLink->ReopenDevice()) << "the module still there is kept";
    EXPECT_EQ(backend.OpenCount(), 1);
    EXPECT_TRUE(CheckModule(FirmwareIdFor(kind), 250));

    // Gone and back before anybody looked: the old handle is dead.
    auto back = ComesBack("/dev/hidraw-module-" + std::to_string(monitor));
    backend.Unplug(module.device);
    ExpectCleanFailures();
    EXPECT_FALSE(ActiveLink->ReopenDevice()) << "nothing to find yet";
    EXPECT_EQ(backend.OpenCount(), 0);
    backend.Plug(back);
    EXPECT_TRUE(ActiveLink->ReopenDevice());
    EXPECT_TRUE(backend.IsOpen(back));
    EXPECT_EQ(backend.OpenCount(), 1);
    EXPECT_TRUE(CheckModule(FirmwareIdFor(kind), 250));
    if (auto* detector = ActiveLink->Transport().Detector();
        detector && detector->Descriptor() >= 0)
      detector->HandlePending();  // the notifications left change nothing
    EXPECT_TRUE(ActiveLink->Connected());
    CloseLink();
    EXPECT_EQ(backend.OpenCount(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, HidReenumeration, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const ::testing::TestParamInfo<TIntfType>& info) {
                           return info.param == itHID_OLD ? "Old" : "New";
                         });

}  // namespace
}  // namespace karvelm::testing
