#include "link/commands_accessory.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "fake_module_link.h"
#include "link_state_scope.h"

namespace karvelm {
namespace {

using fake::Bytes;
using fake::TFakeModuleLink;
using Codes = std::vector<uint8_t>;

const Bytes kReady = {0x01, 0x00, 0x00, 0x00};
const Bytes kNotReady = {0x00, 0x00, 0x00, 0x00};
const Bytes kFirmwareNew = {0x07, 0x3B};

class AccessoryUpdate : public ::testing::Test {
 protected:
  void Open(TIntfType kind) { module = fake::OpenFakeLink(kind); }
  std::vector<int> Timeouts() const {
    std::vector<int> timeouts;
    for (const auto& read : module->reads) timeouts.push_back(read.timeout);
    return timeouts;
  }

  TFakeClock clock;
  TLinkStateScope linkState{&clock};
  TFakeModuleLink* module = nullptr;
};

Bytes Image(size_t n) {
  Bytes image(n);
  for (size_t i = 0; i < n; ++i) image[i] = static_cast<uint8_t>(i + 1);
  return image;
}

TEST_F(AccessoryUpdate, FramedImageGoesIn64BytePiecesEachFollowedByAStatusRequest) {
  Open(itHID_NEW);
  module->Answer();  // length announcement
  for (int piece = 0; piece < 3; ++piece) {
    module->Answer();  // acknowledgement
    module->Answer(kReady);
  }
  const Bytes image = Image(130);
  std::vector<uint32_t> progress;
  ASSERT_TRUE(SendAccessoryImage(cmdWritePanelFirmware, image.data(), 130,
                                 [&](uint32_t sent, uint32_t total) {
                                   EXPECT_EQ(total, 130u);
                                   progress.push_back(sent);
                                 }));
  EXPECT_EQ(module->Commands(), (Codes{cmdWritePanelFirmware, cmdGetUpdateStatus,
                                       cmdGetUpdateStatus, cmdGetUpdateStatus}));
  EXPECT_EQ(module->Sent(0).payload, (Bytes{0x82, 0x00, 0x00, 0x00}));
  EXPECT_EQ(module->Sent(1).payload, Bytes(image.begin(), image.begin() + 64));
  EXPECT_EQ(module->Sent(3).payload, Bytes(image.begin() + 64, image.begin() + 128));
  EXPECT_EQ(module->Sent(5).payload, Bytes(image.begin() + 128, image.end()));
  EXPECT_EQ(Timeouts(),
            (std::vector<int>{kTimeoutDefault, kTimeoutAccessoryData, kTimeoutStatusPollFramed,
                              kTimeoutAccessoryData, kTimeoutStatusPollFramed,
                              kTimeoutAccessoryData, kTimeoutStatusPollFramed}));
  EXPECT_EQ(progress, (std::vector<uint32_t>{64, 128, 130}));
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(AccessoryUpdate, LegacyStatusArrivesUnaskedAsADataPacket) {
  Open(itHID_OLD);
  for (int piece = 0; piece < 3; ++piece) module->Answer(kReady);
  const Bytes image = Image(130);
  ASSERT_TRUE(SendAccessoryImage(cmdWriteBosiFirmware, image.data(), 130));
  EXPECT_EQ(module->Commands(), Codes{cmdWriteBosiFirmware}) << "no status requests";
  EXPECT_EQ(module->written.size(), 4u);
  EXPECT_EQ(module->PayloadOf(3, 2), (Bytes{129, 130}));
  ASSERT_EQ(module->reads.size(), 3u);
  for (const auto& read : module->reads) {
    EXPECT_EQ(read.reportId, 0);
    EXPECT_EQ(read.timeout, kTimeoutStatusPollLegacy);
  }
}

TEST_F(AccessoryUpdate, StatusZeroIsPolledAgainAfterAShortPause) {
  Open(itUDP);
  module->Answer();
  module->Answer();
  module->Answer(kNotReady);
  module->Answer(kNotReady);
  module->Answer({0x02, 0, 0, 0});
  const Bytes image = Image(10);
  ASSERT_TRUE(SendAccessoryImage(cmdWriteExtModuleFirmware, image.data(), 10));
  EXPECT_EQ(module->Commands(), (Codes{cmdWriteExtModuleFirmware, cmdGetUpdateStatus,
                                       cmdGetUpdateStatus, cmdGetUpdateStatus}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{kPauseStatusPoll, kPauseStatusPoll}));
}

TEST_F(AccessoryUpdate, ATargetThatNeverBecomesReadyFailsAfterTheBound) {
  Open(itUDP);
  module->Answer();
  module->Answer();
  for (int i = 0; i < kMaxZeroStatusPolls + 5; ++i) module->Answer(kNotReady);
  const Bytes image = Image(100);
  int progressCalls = 0;
  EXPECT_FALSE(SendAccessoryImage(cmdWriteExtModuleFirmware, image.data(), 100,
                                  [&](uint32_t, uint32_t) { ++progressCalls; }));
  const Codes commands = module->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), cmdGetUpdateStatus), kMaxZeroStatusPolls);
  EXPECT_EQ(module->written.size(), 2u + kMaxZeroStatusPolls) << "the second piece is not sent";
  EXPECT_EQ(progressCalls, 0);
}

TEST_F(AccessoryUpdate, AFailedStatusOrAckEndsTheTransfer) {
  struct Case {
    const char* what;
    std::vector<Bytes> answers;
    size_t written;
  } cases[] = {
      {"announcement refused", {}, 1},
      {"piece not acknowledged", {{}}, 2},
      {"status exchange fails", {{}, {}}, 3},
  };
  const Bytes image = Image(70);
  for (const Case& c : cases) {
    Open(itUDP);
    for (const Bytes& answer : c.answers) module->Answer(answer);
    EXPECT_FALSE(SendAccessoryImage(cmdWriteBosiFirmware, image.data(), 70)) << c.what;
    EXPECT_EQ(module->written.size(), c.written) << c.what;
    CloseLink();
  }
}

TEST_F(AccessoryUpdate, EmptyImageIsRefusedWithoutTraffic) {
  Open(itUDP);
  EXPECT_FALSE(SendAccessoryImage(cmdWriteBosiFirmware, nullptr, 0));
  EXPECT_TRUE(module->written.empty());
}

TEST_F(AccessoryUpdate, PanelPreparationRetriesOnceWithItsTimeoutsAndPauses) {
  Open(itHID_NEW);
  module->Answer();  // cmdPause
  module->Answer();  // prepare
  module->Answer(kNotReady);
  module->Answer();  // prepare again
  module->Answer(kReady);
  EXPECT_TRUE(PreparePanelUpdate());
  EXPECT_EQ(module->Commands(), (Codes{cmdPause, cmdPreparePanelUpdate, cmdGetUpdateStatus,
                                       cmdPreparePanelUpdate, cmdGetUpdateStatus}));
  EXPECT_EQ(Timeouts(),
            (std::vector<int>{kTimeoutDefault, kTimeoutPreparePanel, kTimeoutPanelStatus,
                              kTimeoutPreparePanel, kTimeoutPanelStatus}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{kPauseAfterPanelPrepare, kPauseAfterPanelPrepare}));
}

TEST_F(AccessoryUpdate, BosiNotReadyTwiceIsReportedAsNotReady) {
  Open(itUDP);
  module->Answer({}, kStatusFailure);  // a refused cmdPause does not stop the preparation
  module->Answer();
  module->Answer(kNotReady);
  module->Answer();
  // the second status exchange times out: counts as not ready
  EXPECT_FALSE(PrepareBosiUpdate());
  EXPECT_EQ(module->Commands(), (Codes{cmdPause, cmdPrepareBosiUpdate, cmdGetUpdateStatus,
                                       cmdPrepareBosiUpdate, cmdGetUpdateStatus}));
}

TEST_F(AccessoryUpdate, ExtModuleReadyAtOncePreparesOnlyOnce) {
  Open(itHID_OLD);
  module->Answer(kReady);  // only the status reply is read on the first generation
  EXPECT_TRUE(PrepareExtModuleUpdate(0x0A));
  EXPECT_EQ(module->Commands(), (Codes{cmdPause, cmdPrepareExtModuleUpdate, cmdGetUpdateStatus}));
  EXPECT_EQ(module->PayloadOf(1, 4), (Bytes{0x0A, 0, 0, 0}));
}

TEST_F(AccessoryUpdate, FinishingAPanelNeedsTheApplicationToAnswer) {
  Open(itUDP);
  module->Answer(kFirmwareNew);
  module->Answer();
  module->Answer();
  EXPECT_TRUE(FinishPanelUpdate());
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdFinishPanelUpdate, cmdResume}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{kPauseAccessorySettle, kPauseAccessorySettle}));
  CloseLink();

  Open(itUDP);  // the module stays silent after the transfer
  EXPECT_FALSE(FinishExtModuleUpdate());
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdIdentify, cmdIdentify}))
      << "finish and cmdResume are skipped";
}

TEST_F(AccessoryUpdate, ExtModuleFinishWaitsOnceMoreAndBosiFinishWaitsForTheRestart) {
  Open(itHID_NEW);
  module->Answer(kFirmwareNew);
  module->Answer();
  module->Answer();
  EXPECT_TRUE(FinishExtModuleUpdate());
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdFinishExtModuleUpdate, cmdResume}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>(3, kPauseAccessorySettle)));

  module->Answer();
  EXPECT_TRUE(FinishBosiUpdate());
  EXPECT_EQ(module->Commands().back(), cmdFinishBosiUpdate);
  EXPECT_EQ(clock.Sleeps().back(), kPauseAfterBosiFinish);
}

}  // namespace
}  // namespace karvelm
