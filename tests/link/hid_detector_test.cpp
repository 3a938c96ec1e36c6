// The hot-plug detector on its own: which notifications become doInsert/doRemove, the
// registration and its class, errors raised by the handler, and opening a USB link when the
// HID library or the notifications are not available.
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "hid_fake_backend.h"
#include "link/ext_intf.h"
#include "link/hid_transport.h"
#include "link/link_error.h"
#include "link/usb_detector.h"

namespace karvelm::testing {
namespace {

class UsbDetectorTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseLink(); }

  void Record(TUSBDetector& detector) {
    detector.SetOnChange([this](TDeviceOperation operation) { operations.push_back(operation); });
  }

  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
  std::vector<TDeviceOperation> operations;
};

struct TEventCase {
  const char* name;
  THidEventKind kind;
  const char* deviceClass;
  std::vector<TDeviceOperation> expected;
};

const TEventCase kEventCases[] = {
    {"HidArrival", hekArrival, "hidraw", {doInsert}},
    {"HidRemoval", hekRemoval, "hidraw", {doRemove}},
    {"HidPropertyChange", hekOther, "hidraw", {}},
    {"VolumeArrival", hekArrival, "block", {}},
    {"VolumeRemoval", hekRemoval, "block", {}},
    {"PortArrival", hekArrival, "tty", {}},
    {"UnnamedClass", hekRemoval, "", {}},
};

void PrintTo(const TEventCase& c, std::ostream* os) {
  *os << c.name;
}

class UsbDetectorEvents : public UsbDetectorTest,
                          public ::testing::WithParamInterface<TEventCase> {};

TEST_P(UsbDetectorEvents, OnlyHidArrivalAndRemovalCount) {
  TUSBDetector detector;
  Record(detector);
  backend.Notify(GetParam().kind, GetParam().deviceClass);
  detector.HandlePending();
  EXPECT_EQ(operations, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, UsbDetectorEvents, ::testing::ValuesIn(kEventCases),
                         [](const ::testing::TestParamInfo<TEventCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(UsbDetectorTest, WaitingNotificationsAreHandledInOrderOnce) {
  TUSBDetector detector;
  Record(detector);
  backend.Plug(MakeFakeKeyboard());
  backend.Notify(hekArrival, "block");
  backend.Unplug(backend.present.front());
  backend.Plug(MakeFakeKeyboard("/dev/hidraw-mouse"));
  EXPECT_TRUE(operations.empty());
  detector.HandlePending();
  EXPECT_EQ(operations, (std::vector<TDeviceOperation>{doInsert, doRemove, doInsert}));
  detector.HandlePending();
  EXPECT_EQ(operations.size(), 3u);
}

TEST_F(UsbDetectorTest, WithoutHandlerNotificationsAreDropped) {
  TUSBDetector detector;
  backend.Plug(MakeFakeKeyboard());
  EXPECT_NO_THROW(detector.HandlePending());
  Record(detector);
  detector.HandlePending();
  EXPECT_TRUE(operations.empty()) << "an old notification must not reach a later handler";
}

TEST_F(UsbDetectorTest, SettingTheCurrentClassDoesNotRegisterAgain) {
  TUSBDetector detector;
  EXPECT_EQ(detector.ClassGUID(), kHidInterfaceClass);
  const int descriptor = detector.Descriptor();
  backend.log.clear();

  detector.SetClassGUID(kHidInterfaceClass);
  EXPECT_TRUE(backend.log.empty());
  EXPECT_EQ(backend.MonitorsMade(), 1);
  EXPECT_EQ(detector.Descriptor(), descriptor);

  // A notification that waited across the call is still delivered.
  Record(detector);
  backend.Plug(MakeFakeKeyboard());
  detector.SetClassGUID(kHidInterfaceClass);
  detector.HandlePending();
  EXPECT_EQ(operations, std::vector<TDeviceOperation>{doInsert});
}

TEST_F(UsbDetectorTest, AnotherClassRegistersAgainForThatClass) {
  TUSBDetector detector;
  Record(detector);
  backend.log.clear();
  detector.SetClassGUID("tty");
  EXPECT_EQ(backend.log, (std::vector<std::string>{"monitor- hidraw", "monitor+ tty"}));
  EXPECT_EQ(backend.LiveMonitors(), 1);
  EXPECT_EQ(detector.ClassGUID(), "tty");

  backend.Notify(hekArrival, "hidraw");
  backend.Notify(hekRemoval, "tty");
  detector.HandlePending();
  EXPECT_EQ(operations, std::vector<TDeviceOperation>{doRemove});
}

TEST_F(UsbDetectorTest, HandlerErrorsGoToOnErrorAndTheRestIsHandled) {
  TUSBDetector detector;
  int calls = 0;
  detector.SetOnChange([&](TDeviceOperation) {
    if (++calls == 1) throw std::runtime_error("first");
  });
  std::vector<std::string> errors;
  detector.OnError = [&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      errors.push_back(e.what());
    }
  };
  backend.Plug(MakeFakeKeyboard());
  backend.Plug(MakeFakeKeyboard("/dev/hidraw-mouse"));
  EXPECT_NO_THROW(detector.HandlePending());
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(errors, std::vector<std::string>{"first"});
}

TEST_F(UsbDetectorTest, UnreportedHandlerErrorLeavesAfterAllNotifications) {
  TUSBDetector detector;
  int calls = 0;
  detector.SetOnChange([&](TDeviceOperation) {
    ++calls;
    throw std::runtime_error("handler " + std::to_string(calls));
  });
  backend.Plug(MakeFakeKeyboard());
  backend.Plug(MakeFakeKeyboard("/dev/hidraw-mouse"));
  try {
    detector.HandlePending();
    FAIL() << "the error must reach the caller";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "handler 1");
  }
  EXPECT_EQ(calls, 2);
}

// Without notifications the link still finds a module present at creation; it just does
// not follow hot-plug.
TEST_F(UsbDetectorTest, RefusedRegistrationLeavesAWorkingLink) {
  backend.monitorRefused = true;
  auto module = MakeFakeHidDevice("/dev/hidraw1", kModuleVendorId, kProductIdOld);
  backend.present.push_back(module);
  OpenLink(itHID_OLD, kModuleVendorId, kProductIdOld);
  EXPECT_TRUE(ActiveLink->Connected());
  TUSBDetector* detector = ActiveLink->Transport().Detector();
  ASSERT_NE(detector, nullptr);
  EXPECT_EQ(detector->Descriptor(), -1);
  EXPECT_NO_THROW(detector->HandlePending());
}

TEST_F(UsbDetectorTest, LinkWithoutHidLibraryIsAnOrdinaryError) {
  backend.available = false;
  backend.present.push_back(MakeFakeHidDevice("/dev/hidraw1", kModuleVendorId, kProductIdNew));
  for (TIntfType kind : {itHID_OLD, itHID_NEW}) {
    try {
      OpenLink(kind, kModuleVendorId, kProductIdNew);
      ADD_FAILURE() << "opening must fail";
    } catch (const TOSError& e) {
      EXPECT_STREQ(e.what(), kHidLibraryUnavailable);
    }
    EXPECT_EQ(ActiveLink, nullptr);
  }
  EXPECT_TRUE(backend.log.empty()) << "nothing opened, nothing registered";
}

TEST_F(UsbDetectorTest, LibraryBindingGoesToTheInstalledBackend) {
  EXPECT_TRUE(BindHidLibrary());
  ReleaseHidLibrary();
  EXPECT_EQ(backend.binds, 1);
  EXPECT_EQ(backend.releases, 1);
  backend.available = false;
  EXPECT_FALSE(BindHidLibrary());
}

TEST_F(UsbDetectorTest, UsbTransportExposesItsDetector) {
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
  EXPECT_NE(ActiveLink->Transport().Detector(), nullptr);
  EXPECT_EQ(ActiveLink->Transport().Detector()->ClassGUID(), kHidInterfaceClass);
}

}  // namespace
}  // namespace karvelm::testing
