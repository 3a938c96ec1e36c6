// Finding the module among the present HID devices, and the feature-report calls on the
// handle: which devices are opened, which handles are closed, which one is kept.
#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>
#include <vector>

#include "hid_fake_backend.h"
#include "link/ext_intf.h"
#include "link/hid_access.h"
#include "link/hid_device.h"
#include "link/transactions.h"
#include "link/usb_detector.h"

namespace karvelm::testing {
namespace {

struct TDev {
  const char* path;
  uint16_t vid;
  uint16_t pid;
  bool listsIds = true;
  bool openable = true;
  bool denied = false;  // listed, but refused for lack of rights
};

struct TFindCase {
  const char* name;
  uint16_t wantedPid;
  std::vector<TDev> devices;
  const char* found;             // path of the device whose handle is returned, or none
  std::vector<std::string> log;  // the platform's open/close calls, in order
  const char* denied = nullptr;  // the search's report of a module it may not open
};

const TFindCase kFindCases[] = {
    {"NothingPresent", kProductIdNew, {}, nullptr, {}},
    {"OnlyTheSecondMatches",
     kProductIdNew,
     {{"/dev/hidraw0", 0x046D, 0xC31C, false}, {"/dev/hidraw1", 0x03EB, 0x6203}},
     "/dev/hidraw1",
     {"open /dev/hidraw0", "close /dev/hidraw0", "open /dev/hidraw1"}},
    {"ListedOtherDeviceIsNotOpened",
     kProductIdNew,
     {{"/dev/hidraw0", 0x046D, 0xC31C}, {"/dev/hidraw1", 0x03EB, 0x6203}},
     "/dev/hidraw1",
     {"open /dev/hidraw1"}},
    {"WrongProductIsNeverOpened", kProductIdNew, {{"/dev/hidraw0", 0x03EB, 0x6204}}, nullptr, {}},
    {"OtherGenerationIsNeverOpened",
     kProductIdOld,
     {{"/dev/hidraw0", 0x03EB, 0x6203}},
     nullptr,
     {}},
    {"UnlistedWrongProductIsClosed",
     kProductIdOld,
     {{"/dev/hidraw0", 0x03EB, 0x6203, false}},
     nullptr,
     {"open /dev/hidraw0", "close /dev/hidraw0"}},
    {"FirstOfTwoModulesWins",
     kProductIdOld,
     {{"/dev/hidraw3", 0x03EB, 0x6202}, {"/dev/hidraw4", 0x03EB, 0x6202}},
     "/dev/hidraw3",
     {"open /dev/hidraw3"}},
    {"UnopenableModuleIsSkipped",
     kProductIdOld,
     {{"/dev/hidraw3", 0x03EB, 0x6202, true, false}, {"/dev/hidraw4", 0x03EB, 0x6202}},
     "/dev/hidraw4",
     {"open /dev/hidraw3", "open /dev/hidraw4"}},
    // Without the udev rule: the module is there but closed to this user.
    {"DeniedModuleIsReported",
     kProductIdNew,
     {{"/dev/hidraw0", 0x046D, 0xC31C}, {"/dev/hidraw5", 0x03EB, 0x6203, true, true, true}},
     nullptr,
     {"open /dev/hidraw5"},
     "/dev/hidraw5"},
    {"OpenableSecondModuleWinsOverADeniedOne",
     kProductIdNew,
     {{"/dev/hidraw5", 0x03EB, 0x6203, true, true, true}, {"/dev/hidraw6", 0x03EB, 0x6203}},
     "/dev/hidraw6",
     {"open /dev/hidraw5", "open /dev/hidraw6"}},
    // A node listed without identifiers could be any keyboard: not blamed on the module.
    {"DeniedUnlistedDeviceIsNotReported",
     kProductIdNew,
     {{"/dev/hidraw5", 0x03EB, 0x6203, false, true, true}},
     nullptr,
     {"open /dev/hidraw5"}},
    {"OtherOpenFailureIsNotADenial",
     kProductIdOld,
     {{"/dev/hidraw3", 0x03EB, 0x6202, true, false}},
     nullptr,
     {"open /dev/hidraw3"}},
    {"DeniedOtherProductIsNeverOpened",
     kProductIdOld,
     {{"/dev/hidraw5", 0x03EB, 0x6203, true, true, true}},
     nullptr,
     {}},
};

void PrintTo(const TFindCase& c, std::ostream* os) {
  *os << c.name;
}

class FindHidDeviceTest : public ::testing::TestWithParam<TFindCase> {
 protected:
  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
};

TEST_P(FindHidDeviceTest, OpensOnlyWhatMayMatchAndKeepsTheFirstMatch) {
  const TFindCase& c = GetParam();
  for (const TDev& d : c.devices) {
    auto device = MakeFakeHidDevice(d.path, d.vid, d.pid);
    device->listsIds = d.listsIds;
    device->openable = d.openable;
    device->accessDenied = d.denied;
    backend.present.push_back(device);
  }
  THidSearch search;
  search.deniedPath = "stale";
  const THidHandle handle = FindHidDevice(kModuleVendorId, c.wantedPid, &search);
  EXPECT_EQ(backend.log, c.log);
  EXPECT_EQ(search.deniedPath, c.denied ? c.denied : "");
  if (c.found) {
    ASSERT_NE(handle, kInvalidHidHandle);
    EXPECT_EQ(backend.OpenCount(), 1);
    THidAttributes attributes;
    ASSERT_TRUE(backend.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.ProductID, c.wantedPid);
    for (const auto& device : backend.present)
      EXPECT_EQ(backend.IsOpen(device), device->path == c.found) << device->path;
    HidCloseDevice(handle);
  } else {
    EXPECT_EQ(handle, kInvalidHidHandle);
  }
  EXPECT_EQ(backend.OpenCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, FindHidDeviceTest, ::testing::ValuesIn(kFindCases),
                         [](const ::testing::TestParamInfo<TFindCase>& info) {
                           return std::string(info.param.name);
                         });

class HidDeviceTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseLink(); }

  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
};

TEST_F(HidDeviceTest, NoDeviceSetMeansNoDevice) {
  backend.present.push_back(MakeFakeHidDevice("/dev/hidraw0", 0x03EB, 0x6203));
  backend.enumerationFails = true;
  EXPECT_EQ(FindHidDevice(0x03EB, 0x6203), kInvalidHidHandle);
  EXPECT_TRUE(backend.log.empty());
}

TEST_F(HidDeviceTest, ReportsOnTheInvalidHandleNeverReachThePlatform) {
  uint8_t report[65] = {};
  int received = 7;
  EXPECT_FALSE(HidSetReport(kInvalidHidHandle, report, 65));
  EXPECT_FALSE(HidGetReport(kInvalidHidHandle, report, 65, &received));
  EXPECT_EQ(received, 0);
  EXPECT_EQ(backend.featureCalls, 0);

  // A link without its module goes the same way.
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_FALSE(ActiveLink->Write(report, 64));
  EXPECT_FALSE(ActiveLink->Read(report, 64, 250));
  EXPECT_EQ(backend.featureCalls, 0);
}

TEST_F(HidDeviceTest, WrongProductLeavesTheLinkDisconnected) {
  auto other = MakeFakeHidDevice("/dev/hidraw0", kModuleVendorId, 0x6204);
  backend.present.push_back(other);
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_EQ(backend.Count("open /dev/hidraw0"), 0);
  EXPECT_FALSE(CheckModule(FirmwareIdFor(itHID_NEW), 250));
  EXPECT_TRUE(other->setReports.empty());
}

// The link follows the denial through hot-plug: reported while the module is there and closed,
// cleared when it is unplugged, gone once a module that opens arrives.
TEST_F(HidDeviceTest, LinkReportsADeniedModuleUntilItIsGoneOrOpens) {
  auto denied = MakeDeniedFakeHidDevice("/dev/hidraw7", kModuleVendorId, kProductIdOld);
  backend.present.push_back(denied);
  OpenLink(itHID_OLD, kModuleVendorId, kProductIdOld);
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_EQ(DeniedModuleDevice(), "/dev/hidraw7");
  EXPECT_FALSE(CheckModule(FirmwareIdFor(itHID_OLD), 250));
  EXPECT_EQ(DeniedModuleDevice(), "/dev/hidraw7") << "a probe does not forget it";

  TUSBDetector* detector = ActiveLink->Transport().Detector();
  backend.Unplug(denied);
  detector->HandlePending();
  EXPECT_EQ(DeniedModuleDevice(), "");

  backend.Plug(denied);
  detector->HandlePending();
  EXPECT_EQ(DeniedModuleDevice(), "/dev/hidraw7");

  // The rule installed and the module replugged: it opens.
  backend.Unplug(denied);
  denied->accessDenied = false;
  backend.Plug(denied);
  detector->HandlePending();
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_EQ(DeniedModuleDevice(), "");
}

TEST(HidOpenFailure, ErrnoOrTheNodesModeTellsADenial) {
  EXPECT_EQ(ClassifyHidOpenFailure(EACCES, "/dev/null"), hoeDenied);
  EXPECT_EQ(ClassifyHidOpenFailure(EPERM, "/dev/null"), hoeDenied);
  EXPECT_EQ(ClassifyHidOpenFailure(ENOENT, "/nonexistent/hidraw99"), hoeOther);
  EXPECT_EQ(ClassifyHidOpenFailure(0, "/dev/null"), hoeOther) << "readable and writable";
}

// A refused request fails only itself: the handle stays open and the next one goes through.
TEST_F(HidDeviceTest, FailedFeatureRequestKeepsTheHandle) {
  auto module = MakeFakeHidDevice("/dev/hidraw1", kModuleVendorId, kProductIdNew);
  int refuse = 1;
  module->onSetFeature = [&](const uint8_t*, int) { return refuse-- <= 0; };
  module->onGetFeature = [](uint8_t* report, int size, int* received) {
    std::fill(report + 1, report + size, 0xA5);
    *received = size;
    return true;
  };
  backend.present.push_back(module);
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);

  uint8_t report[268] = {2};
  EXPECT_FALSE(ActiveLink->Write(report, 268));
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_TRUE(backend.IsOpen(module));
  EXPECT_TRUE(ActiveLink->Write(report, 268));
  int received = 0;
  ASSERT_TRUE(ActiveLink->Read(report, 268, 0, &received));
  EXPECT_EQ(received, 268);
  EXPECT_EQ(report[0], 2) << "the report ID stays in byte 0";
  EXPECT_EQ(report[267], 0xA5);
  ASSERT_EQ(module->getRequests.size(), 1u);
  EXPECT_EQ(module->getRequests[0].reportId, 2);
  EXPECT_EQ(module->getRequests[0].size, 268);
}

// After the module is pulled, its handle is dead until the removal is handled: requests fail
// and report failure rather than stale bytes.
TEST_F(HidDeviceTest, RequestsFailOnAPulledModuleBeforeTheRemovalIsHandled) {
  auto module = MakeFakeHidDevice("/dev/hidraw1", kModuleVendorId, kProductIdOld);
  backend.present.push_back(module);
  OpenLink(itHID_OLD, kModuleVendorId, kProductIdOld);
  ASSERT_TRUE(ActiveLink->Connected());
  backend.Unplug(module);
  uint8_t report[65] = {};
  EXPECT_FALSE(ActiveLink->Write(report, 65));
  EXPECT_FALSE(ActiveLink->Read(report, 65, 0));
  ActiveLink->Transport().Detector()->HandlePending();
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_EQ(backend.OpenCount(), 0);
}

}  // namespace
}  // namespace karvelm::testing
