// A USB module that keeps presenting its previous report: a feature report read never times
// out, so only the operation's own bound can end the wait.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "base/clock.h"
#include "hid_fake_backend.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/transactions.h"
#include "link_state_scope.h"

namespace karvelm::testing {
namespace {

class HidStuckDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    SequenceNumber = 100;
    device = MakeFakeHidDevice("/dev/hidraw-module", kModuleVendorId, kProductIdNew);
    // The answer to packet 41, whatever is asked; report ID 1 or 2 as requested.
    device->onGetFeature = [this](uint8_t* report, int size, int* received) {
      ++gets;
      if (onGet) onGet();
      const uint8_t type = report[0];
      std::memset(report, 0, static_cast<size_t>(size));
      const uint8_t payload[4] = {1, 2, 3, 4};
      BuildFramedPacket(report, type, 0, 41, payload, 4);
      if (received) *received = size;
      return true;
    };
    backend.present.push_back(device);
    OpenLink(itHID_NEW, kModuleVendorId, kProductIdNew);
    ASSERT_TRUE(ActiveLink->Connected());
  }

  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
  TFakeHidDevicePtr device;
  int gets = 0;
  std::function<void()> onGet;
  TLinkStateScope linkState;
};

TEST_F(HidStuckDevice, EachOperationEndsAfterItsTimeout) {
  TFakeClock clock;
  SetClock(&clock);
  onGet = [&clock] { clock.Advance(2); };  // one report read every 2 ms
  uint8_t buffer[4] = {};
  struct Case {
    const char* what;
    std::function<bool()> run;
    uint32_t sequenceAfter;
  } cases[] = {
      {"Transact", [&] { return Transact(0x02, nullptr, 0, buffer, 4, 250); }, 41},
      {"WriteData", [&] { return WriteData(buffer, 4, 250); }, 100},
      {"ReadData", [&] { return ReadData(0x0C, nullptr, 0, buffer, 4, 250); }, 100},
  };
  for (const Case& c : cases) {
    SequenceNumber = 100;
    gets = 0;
    const uint64_t start = clock.NowMs();
    EXPECT_FALSE(c.run()) << c.what;
    EXPECT_EQ(gets, 125) << c.what;
    EXPECT_EQ(clock.NowMs() - start, 250u) << c.what;
    EXPECT_EQ(SequenceNumber, c.sequenceAfter) << c.what;
  }
}

TEST_F(HidStuckDevice, StoppedClockStillEnds) {
  TFakeClock clock;
  SetClock(&clock);
  uint8_t buffer[4] = {};
  EXPECT_FALSE(Transact(0x02, nullptr, 0, buffer, 4, 250));
  EXPECT_EQ(gets, kMaxStaleReplies);
}

TEST_F(HidStuckDevice, RealClockEndsAboutTheTimeout) {
  // A feature report request takes a USB frame or so on real hardware.
  onGet = [] { std::this_thread::sleep_for(std::chrono::microseconds(200)); };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Transact(0x02, nullptr, 0, nullptr, 0, 30));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(29));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
  // A reply for this link's own number ends the next operation at once.
  device->onGetFeature = [](uint8_t* report, int size, int* received) {
    const uint8_t type = report[0];
    std::memset(report, 0, static_cast<size_t>(size));
    BuildFramedPacket(report, type, 0, SequenceNumber - 1, nullptr, 0);
    if (received) *received = size;
    return true;
  };
  EXPECT_TRUE(Transact(0x02, nullptr, 0, nullptr, 0, 30));
}

}  // namespace
}  // namespace karvelm::testing
