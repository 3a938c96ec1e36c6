// Fault injection as the link operations see it, and the sequence numbers of the answers.
#include <tuple>

#include "sim_fixture.h"

namespace karvelm {
namespace {

class SimSequenceTest : public SimKindTest {};

TEST_P(SimSequenceTest, AnswersEchoTheSequenceOfTheirRequest) {
  SequenceNumber = 0xFFFFFFFE;
  EXPECT_TRUE(CheckModule(FirmwareIdFor(Kind()), 250));
  EXPECT_TRUE(Version(cmdGetVersion));
  EXPECT_TRUE(ReadWords(0xEF82, 2));  // wraps to 0
  EXPECT_TRUE(WriteWord(0xEF82, 5));
  EXPECT_EQ(SequenceNumber, 2u);

  std::vector<uint32_t> requested, answered;
  for (const TSimRequest& r : sim->Requests()) requested.push_back(r.sequence);
  for (const TSimPacket& p : sim->Sent()) answered.push_back(p.sequence);
  if (Framed()) {
    EXPECT_EQ(requested, (std::vector<uint32_t>{0xFFFFFFFE, 0xFFFFFFFF, 0, 1}));
    EXPECT_EQ(answered, requested);
  } else {
    EXPECT_EQ(requested, (std::vector<uint32_t>{0, 0, 0, 0})) << "legacy reports carry none";
    EXPECT_EQ(answered.size(), 3u) << "the bus write is not answered";
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimSequenceTest, KARVELM_ALL_KINDS);

// Outcomes of successive cmdGetVersion transactions under one fault plan.
struct TFaultCase {
  const char* name;
  TSimFaults faults;
  std::vector<bool> outcomes;
};

void PrintTo(const TFaultCase& c, std::ostream* os) {
  *os << c.name;
}

const TFaultCase kFramedCases[] = {
    {"DropNext", {.dropNext = 1}, {false, true, true}},
    {"DropEveryThird", {.dropEvery = 3}, {true, true, false, true, true, false}},
    {"DelayWithinTimeout", {.delayMs = 200}, {true, true}},
    {"StaleFirst", {.staleFirst = 2}, {true, true, true}},
    {"StaleFirstAlways", {.staleFirst = kSimAlways}, {true, true, true}},
    {"StatusFF", {.statusFF = 2}, {false, false, true}},
    // The link accepts a wrong checksum field: it only refuses a recomputed sum of 0.
    {"BadChecksumAccepted", {.badChecksum = kSimAlways}, {true, true}},
    {"BadLengthRejected", {.badLength = 1}, {false, true}},
    {"SilentAfterTwo", {.silentAfter = 2}, {true, true, false, false}},
};

class SimFaultTableTest : public SimLinkFixture,
                          public ::testing::TestWithParam<std::tuple<TIntfType, TFaultCase>> {
 protected:
  void TearDown() override { CloseSim(); }
};

TEST_P(SimFaultTableTest, TransactionOutcomes) {
  const auto& [kind, fault] = GetParam();
  TSimConfig config;
  config.faults = fault.faults;
  OpenSim(kind, config);
  std::vector<bool> outcomes;
  for (size_t i = 0; i < fault.outcomes.size(); ++i)
    outcomes.push_back(Version(cmdGetVersion) == kSimDefaultFirmwareVersion);
  EXPECT_EQ(outcomes, fault.outcomes);
}

INSTANTIATE_TEST_SUITE_P(Faults, SimFaultTableTest,
                         ::testing::Combine(::testing::Values(itHID_NEW, itUDP),
                                            ::testing::ValuesIn(kFramedCases)),
                         [](const auto& info) {
                           return LinkKindName(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param).name;
                         });

class SimFaultTest : public SimKindTest {};

TEST_P(SimFaultTest, DroppedReplyFailsAndResetsTheCounter) {
  sim->Faults().dropNext = 1;
  EXPECT_TRUE(CheckModule(FirmwareIdFor(Kind()), 10)) << "its next attempt is answered";
  EXPECT_EQ(sim->DroppedCount(), 1);
  EXPECT_EQ(sim->Requests().size(), 2u);
  sim->Faults().dropNext = 1;
  ASSERT_EQ(SequenceNumber, 1u) << "the module follows the counter, so it is not set by hand";
  EXPECT_FALSE(Version(cmdGetVersion));
  EXPECT_EQ(SequenceNumber, 0u);
  EXPECT_EQ(sim->QueuedCount(), 0u);
}

TEST_P(SimFaultTest, StatusFFDeliversPayloadAndSequence) {
  sim->Faults().statusFF = 1;
  SequenceNumber = 7;
  uint8_t reply[4] = {};
  EXPECT_EQ(Transact(cmdGetVersion, nullptr, 0, reply, 4, 250), !Framed());
  EXPECT_EQ(GetU32(reply), kSimDefaultFirmwareVersion);
  if (Framed()) {
    EXPECT_EQ(SequenceNumber, 7u);
    EXPECT_EQ(sim->Faults().statusFF, 0);
  } else {
    // Legacy reports have no status: nothing fails and the fault stays armed.
    EXPECT_EQ(sim->Faults().statusFF, 1);
  }
}

TEST_P(SimFaultTest, StaleFirstIsSkippedForRepliesAndDataPackets) {
  sim->Faults().staleFirst = 2;
  SequenceNumber = 20;
  EXPECT_TRUE(Version(cmdGetVersion));
  sim->Bus().Poke(0xEF82, 0x4242);
  EXPECT_EQ(ReadWords(0xEF82, 1), std::vector<uint16_t>{0x4242});
  EXPECT_EQ(sim->QueuedCount(), 0u);
  if (!Framed()) return;  // no sequence to be stale with
  ASSERT_EQ(sim->Sent().size(), 4u);
  EXPECT_TRUE(sim->Sent()[0].stale);
  EXPECT_EQ(sim->Sent()[0].sequence, 19u);
  EXPECT_EQ(sim->Sent()[1].sequence, 20u);
  EXPECT_TRUE(sim->Sent()[2].stale);
  EXPECT_EQ(sim->Sent()[2].type, kSimTypeData);
  EXPECT_EQ(sim->Sent()[3].sequence, 21u);
}

TEST_P(SimFaultTest, DelayLongerThanTheTimeout) {
  sim->Faults().delayMs = 300;
  SequenceNumber = 5;
  const uint64_t start = clock.NowMs();
  if (Kind() != itUDP) {
    // A USB request waits for the device to complete it.
    EXPECT_TRUE(Version(cmdGetVersion));
    EXPECT_EQ(clock.NowMs() - start, 300u);
    return;
  }
  EXPECT_FALSE(Version(cmdGetVersion));
  EXPECT_EQ(clock.NowMs() - start, 250u) << "the read waited its timeout";
  EXPECT_EQ(SequenceNumber, 0u);
  // The late reply (sequence 5) arrives during the next transaction and is skipped.
  sim->Faults().delayMs = 0;
  clock.Advance(100);
  EXPECT_TRUE(Version(cmdGetVersion));
  EXPECT_EQ(sim->QueuedCount(), 0u);
}

TEST_P(SimFaultTest, SilenceAfterNPacketsIsRecorded) {
  sim->Faults().silentAfter = 1;
  EXPECT_TRUE(Version(cmdGetVersion));
  EXPECT_FALSE(CheckModule(FirmwareIdFor(Kind()), 10));
  ASSERT_EQ(sim->Received().size(), 4u) << "one answered, three attempts ignored";
  EXPECT_EQ(sim->Received()[0].fate, sfHandled);
  EXPECT_EQ(sim->Received()[3].fate, sfSilenced);
  sim->Faults().silentAfter = kSimAlways;
  EXPECT_TRUE(CheckModule(FirmwareIdFor(Kind()), 10));
}

TEST_P(SimFaultTest, BadLengthIsRejectedAndBadChecksumAccepted) {
  // Legacy reports have neither field, so neither fault applies (or is used up) there.
  sim->Faults().badLength = 1;
  EXPECT_EQ(Version(cmdGetVersion).has_value(), !Framed());
  EXPECT_EQ(sim->Faults().badLength, Framed() ? 0 : 1);
  sim->Faults().badLength = 0;
  sim->Faults().badChecksum = 1;
  EXPECT_TRUE(Version(cmdGetVersion));
  EXPECT_EQ(sim->Faults().badChecksum, Framed() ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimFaultTest, KARVELM_ALL_KINDS);

}  // namespace
}  // namespace karvelm
