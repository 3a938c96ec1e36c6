// The real hidapi/udev backend on this machine. No module is plugged in here: enumeration
// must find none, and the link must come up not connected, without an error.
#include <gtest/gtest.h>
#include <poll.h>

#include "link/ext_intf.h"
#include "link/hid_backend.h"
#include "link/hid_device.h"
#include "link/transactions.h"
#include "link/usb_detector.h"

namespace karvelm {
namespace {

bool ModuleListed(uint16_t productId) {
  const auto devices = SystemHidBackend().Enumerate();
  if (!devices) return false;
  for (const THidDeviceInfo& info : *devices)
    if (info.vendorId == kModuleVendorId && info.productId == productId) return true;
  return false;
}

class HidSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetHidBackend(nullptr);
    ASSERT_EQ(&HidBackend(), &SystemHidBackend());
    ASSERT_TRUE(BindHidLibrary());
  }
  void TearDown() override {
    CloseLink();
    ReleaseHidLibrary();
  }
};

TEST_F(HidSystemTest, NoModuleGivesALinkThatIsNotConnected) {
  for (TIntfType kind : {itHID_OLD, itHID_NEW}) {
    SCOPED_TRACE(kind);
    const uint16_t pid = kind == itHID_OLD ? kProductIdOld : kProductIdNew;
    // A machine with a module attached connects; either way the link agrees with the
    // enumeration.
    const bool listed = ModuleListed(pid);
    ASSERT_NO_THROW(OpenLink(kind, kModuleVendorId, pid));
    EXPECT_EQ(ActiveLink->Connected(), listed);
    if (!listed) {
      EXPECT_FALSE(CheckModule(FirmwareIdFor(kind), 10));
      uint8_t report[65] = {};
      EXPECT_FALSE(ActiveLink->Write(report, 65));
    }
    CloseLink();
  }
}

TEST_F(HidSystemTest, FindHidDeviceReturnsTheInvalidHandleForAnAbsentDevice) {
  // No device has vendor and product 0xFFFF.
  EXPECT_EQ(FindHidDevice(0xFFFF, 0xFFFF), kInvalidHidHandle);
}

// The udev monitor may be refused in a container; either way the detector neither blocks
// nor reports anything while nothing is plugged.
TEST_F(HidSystemTest, DetectorPollsWithoutBlocking) {
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
  TUSBDetector* detector = ActiveLink->Transport().Detector();
  ASSERT_NE(detector, nullptr);
  int operations = 0;
  detector->SetOnChange([&](TDeviceOperation) { ++operations; });
  if (detector->Descriptor() >= 0) {
    pollfd p{detector->Descriptor(), POLLIN, 0};
    EXPECT_GE(poll(&p, 1, 0), 0);
  }
  EXPECT_NO_THROW(detector->HandlePending());
  EXPECT_EQ(operations, 0);
}

TEST_F(HidSystemTest, BindingTwiceAndReleasingIsHarmless) {
  EXPECT_TRUE(BindHidLibrary());
  ReleaseHidLibrary();
  // A link opened after the release binds the library again by itself.
  ASSERT_NO_THROW(OpenLink(itHID_OLD, kModuleVendorId, kProductIdOld));
  EXPECT_FALSE(ActiveLink->Connected());
}

}  // namespace
}  // namespace karvelm
