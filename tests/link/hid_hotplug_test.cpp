// The USB link object across plugging and unplugging: which events connect and disconnect
// it, what CheckModule sees in each state, and that no device handle is ever left behind.
#include <gtest/gtest.h>
#include <poll.h>

#include <ostream>
#include <string>
#include <vector>

#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "link/usb_detector.h"
#include "sim_violations.h"

namespace karvelm::testing {
namespace {

enum TStep {
  kPlugModule,
  kUnplugModule,
  kPlugKeyboard,
  kUnplugKeyboard,
  kVolumeArrives,
  kVolumeRemoved,
  kPortArrives,
};

struct THotPlugCase {
  const char* name;
  bool modulePresent;  // at creation
  bool keyboardPresent;
  bool connectedAtCreation;
  std::vector<std::pair<TStep, bool>> steps;  // the event, then Connected
};

const THotPlugCase kHotPlugCases[] = {
    {"ModuleAbsentThenPluggedIn", false, false, false, {{kPlugModule, true}}},
    {"KeyboardUnpluggedDisconnectsUntilAnyArrival",
     true,
     true,
     true,
     {{kUnplugKeyboard, false}, {kPlugKeyboard, true}}},
    {"ModuleUnpluggedStaysOffWhenAKeyboardArrives",
     true,
     false,
     true,
     {{kUnplugModule, false}, {kPlugKeyboard, false}, {kPlugModule, true}}},
    {"ModuleReplugged", true, false, true, {{kUnplugModule, false}, {kPlugModule, true}}},
    {"ArrivalWhileConnectedFindsTheModuleAgain",
     true,
     false,
     true,
     {{kPlugKeyboard, true}, {kUnplugKeyboard, false}, {kPlugKeyboard, true}}},
    {"OtherDeviceTypesChangeNothing",
     true,
     true,
     true,
     {{kVolumeRemoved, true},
      {kUnplugKeyboard, false},
      {kVolumeArrives, false},
      {kPortArrives, false},
      {kPlugKeyboard, true}}},
    {"KeyboardArrivalWithoutModule", false, false, false, {{kPlugKeyboard, false}}},
};

void PrintTo(const THotPlugCase& c, std::ostream* os) {
  *os << c.name;
}

using THotPlugParam = std::tuple<TIntfType, THotPlugCase>;

class HidHotPlugTest : public ::testing::TestWithParam<THotPlugParam> {
 protected:
  void TearDown() override { CloseLink(); }

  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
};

TEST_P(HidHotPlugTest, ConnectedAndCheckModuleFollowTheEvents) {
  const auto& [kind, c] = GetParam();
  TSimHidModule module(kind);
  auto keyboard = MakeFakeKeyboard();
  if (c.keyboardPresent) backend.present.push_back(keyboard);
  if (c.modulePresent) backend.present.push_back(module.device);

  OpenLink(kind, kModuleVendorId, ProductIdFor(kind));
  TExtIntf* const link = ActiveLink.get();
  TUSBDetector* detector = link->Transport().Detector();
  ASSERT_NE(detector, nullptr);

  auto expectState = [&](bool connected, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(ActiveLink.get(), link) << "the link is never reopened";
    EXPECT_EQ(ActiveLink->Connected(), connected);
    // Exactly the module's handle is open while connected, and nothing otherwise.
    EXPECT_EQ(backend.OpenCount(), connected ? 1 : 0);
    EXPECT_EQ(backend.IsOpen(module.device), connected);
    const size_t reportsBefore = module.device->setReports.size();
    EXPECT_EQ(CheckModule(FirmwareIdFor(kind), 250), connected);
    if (!connected) {
      EXPECT_EQ(module.device->setReports.size(), reportsBefore) << "no traffic";
    }
  };

  expectState(c.connectedAtCreation, "at creation");
  for (size_t i = 0; i < c.steps.size(); ++i) {
    switch (c.steps[i].first) {
      case kPlugModule:
        backend.Plug(module.device);
        break;
      case kUnplugModule:
        backend.Unplug(module.device);
        break;
      case kPlugKeyboard:
        backend.Plug(keyboard);
        break;
      case kUnplugKeyboard:
        backend.Unplug(keyboard);
        break;
      case kVolumeArrives:
        backend.Notify(hekArrival, "block");
        break;
      case kVolumeRemoved:
        backend.Notify(hekRemoval, "block");
        break;
      case kPortArrives:
        backend.Notify(hekArrival, "tty");
        break;
    }
    detector->HandlePending();
    expectState(c.steps[i].second, "after step " + std::to_string(i));
  }
  ExpectNoViolations(module.sim);
}

INSTANTIATE_TEST_SUITE_P(Table, HidHotPlugTest,
                         ::testing::Combine(::testing::Values(itHID_OLD, itHID_NEW),
                                            ::testing::ValuesIn(kHotPlugCases)),
                         [](const ::testing::TestParamInfo<THotPlugParam>& info) {
                           return std::string(std::get<0>(info.param) == itHID_OLD ? "Old_"
                                                                                   : "New_") +
                                  std::get<1>(info.param).name;
                         });

class HidHotPlugTiming : public ::testing::Test {
 protected:
  void TearDown() override { CloseLink(); }

  static bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
  }

  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
};

// Notifications wait for the user-interface loop: a transfer in progress never loses its
// handle, and the descriptor the loop watches says when there is something to handle.
TEST_F(HidHotPlugTiming, EventsTakeEffectOnlyWhenHandled) {
  TSimHidModule module(itHID_NEW);
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
  TUSBDetector* detector = ActiveLink->Transport().Detector();
  ASSERT_GE(detector->Descriptor(), 0);
  EXPECT_FALSE(Readable(detector->Descriptor()));

  backend.Plug(module.device);
  EXPECT_TRUE(Readable(detector->Descriptor()));
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_EQ(backend.Count("open /dev/hidraw-module"), 0);

  detector->HandlePending();
  EXPECT_FALSE(Readable(detector->Descriptor()));
  EXPECT_TRUE(ActiveLink->Connected());

  backend.Unplug(module.device);
  EXPECT_TRUE(ActiveLink->Connected()) << "until the loop handles the removal";
  detector->HandlePending();
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_EQ(backend.OpenCount(), 0);
  ExpectNoViolations(module.sim);
}

// An arrival closes the handle before searching, so the same module gets a fresh handle and
// the old one is not leaked.
TEST_F(HidHotPlugTiming, ArrivalClosesBeforeSearching) {
  TSimHidModule module(itHID_OLD);
  backend.present.push_back(module.device);
  OpenLink(itHID_OLD, kModuleVendorId, kProductIdOld);
  backend.log.clear();

  backend.Plug(MakeFakeKeyboard());
  ActiveLink->Transport().Detector()->HandlePending();
  EXPECT_EQ(backend.log,
            (std::vector<std::string>{"close /dev/hidraw-module", "open /dev/hidraw-module"}));
  EXPECT_TRUE(ActiveLink->Connected());
  ExpectNoViolations(module.sim);
}

// Destruction stops the notifications first, then closes the device.
TEST_F(HidHotPlugTiming, CloseLinkFreesTheDetectorThenTheHandle) {
  TSimHidModule module(itHID_NEW);
  backend.present.push_back(module.device);
  OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
  backend.log.clear();
  CloseLink();
  EXPECT_EQ(backend.log, (std::vector<std::string>{"monitor- hidraw", "close /dev/hidraw-module"}));
  EXPECT_EQ(backend.OpenCount(), 0);
  EXPECT_EQ(backend.LiveMonitors(), 0);
  ExpectNoViolations(module.sim);
}

}  // namespace
}  // namespace karvelm::testing
