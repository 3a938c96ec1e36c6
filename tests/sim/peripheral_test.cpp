// The peripheral buses and the loop-back harness as the module shows them: the replies of
// the panel and external-module queries in both layouts, counters that move at every poll,
// and what the harness feeds back with and without its faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "diag/loopback_test.h"
#include "link/module_commands.h"
#include "sim/harness_model.h"
#include "sim/peripheral_setup.h"
#include "sim/sim_options.h"
#include "sim_fixture.h"
#include "sim_violations.h"

namespace karvelm {
namespace {

using Bytes = std::vector<uint8_t>;

class PeripheralSim : public SimKindTest {
 protected:
  void SetUp() override {
    SimKindTest::SetUp();
    ApplyPeripheralSetup(*sim, LivelySetup());
  }
  // The payload of the last answer the module put on the link.
  Bytes LastAnswer() const { return sim->Sent().empty() ? Bytes{} : sim->Sent().back().payload; }
  TPeripheralBusModel& Buses() { return *sim->FindModel<TPeripheralBusModel>(); }
  TLoopbackHarnessModel& Harness() { return *sim->FindModel<TLoopbackHarnessModel>(); }
};

TEST_P(PeripheralSim, PanelLinkReplyHasTheLayoutOfTheLinkKind) {
  Buses().panel = {1, 0x102, 0x01090000};
  PanelLinkInfo info;
  ASSERT_TRUE(GetPanelLink(info));
  if (Framed()) {
    EXPECT_EQ(LastAnswer(), (Bytes{1, 0, 0, 0, 2, 1, 0, 0, 0, 0, 9, 1}));
    EXPECT_EQ(info.PanelRegsPresent, 0x102u);
  } else {
    // One byte per flag (the wider value cut to its low byte), the version from byte 2.
    EXPECT_EQ(LastAnswer(), (Bytes{1, 2, 0, 0, 9, 1}));
    EXPECT_EQ(info.PanelRegsPresent, 2u);
  }
  EXPECT_EQ(info.ConsolePresent, 1u);
  EXPECT_EQ(info.Version, 0x01090000u);
}

TEST_P(PeripheralSim, ExtModuleReplyHasTheLayoutOfTheLinkKind) {
  ExtModuleInfo info;
  ASSERT_TRUE(GetExtModule(4, 0, info));  // the RK-150M in its bootloader
  Bytes expected;
  if (Framed())
    expected = {0x22, 0, 0, 0};
  else
    expected = {0x22};
  expected.insert(expected.end(), 16, 0xFF);  // serves nothing
  expected.insert(expected.end(), {0xB0, 0, 0, 1, 0, 0, 0, 0});
  EXPECT_EQ(LastAnswer(), expected);
  EXPECT_EQ(info.Version, 0x010000B0u);

  ASSERT_TRUE(GetExtModule(0, 0, info));
  EXPECT_EQ(info.NetAddress, 0x0Au);
  EXPECT_EQ(info.RegisterMap, SimRegisterMap(0x303E));
  ASSERT_TRUE(GetExtModule(0, 3, info));
  EXPECT_EQ(info.NetAddress, 0u) << "an empty slot answers address 0";
}

TEST_P(PeripheralSim, CountersMoveByTheirStepAtEveryPoll) {
  Buses().extCounters[{1, 0}] = {{0xFFFFFFF0u, 7, 0}, {0x20, 1, 0}};
  ExtModuleStats first, second;
  ASSERT_TRUE(GetExtModuleStats(1, 0, first));
  ASSERT_TRUE(GetExtModuleStats(1, 0, second));
  EXPECT_EQ(first.Exchanges, 0x10u) << "the counter wraps as a 32-bit word";
  EXPECT_EQ(first.Timeouts, 8u);
  EXPECT_EQ(second.Exchanges, 0x30u);
  EXPECT_EQ(second.Timeouts, 9u);
  EXPECT_EQ(second.Errors, 0u);

  PanelLinkStats a, b;
  ASSERT_TRUE(GetPanelStats(a));
  ASSERT_TRUE(GetPanelStats(b));
  EXPECT_EQ(b.Exchanges - a.Exchanges, LivelySetup().panelCounters.step.Exchanges);
  EXPECT_EQ(LastAnswer().size(), 12u);

  ExtModuleStats none;
  ASSERT_TRUE(GetExtModuleStats(0, 2, none)) << "an empty slot of a known type reports zeros";
  EXPECT_EQ(none.Exchanges, 0u);
  EXPECT_FALSE(GetExtModuleStats(5, 0, none)) << "no counters are kept for type 5";
  EXPECT_FALSE(GetExtModuleStats(7, 0, none)) << "no such type";
}

// Framed payloads of the wrong length are refused: a module does not guess. (Legacy reports
// always carry 62 payload bytes.)
using PeripheralSimFramed = PeripheralSim;
TEST_P(PeripheralSimFramed, QueriesOfTheWrongLengthAreRefused) {
  uint8_t reply[32] = {};
  const uint8_t shortQuery[4] = {0, 0, 0, 0};
  EXPECT_FALSE(Transact(cmdGetExtModule, shortQuery, 4, reply, 28, 250));
  EXPECT_FALSE(Transact(cmdGetExtModuleStats, shortQuery, 4, reply, 12, 250));
  EXPECT_FALSE(Transact(cmdGetPanelLink, shortQuery, 4, reply, 12, 250));
  EXPECT_FALSE(Transact(cmdGetPanelStats, shortQuery, 4, reply, 12, 250));
  EXPECT_THAT(TakeViolations(*sim),
              ::testing::ElementsAre("cmdGetExtModule: 4-byte payload; it takes 8",
                                     "cmdGetExtModuleStats: 4-byte payload; it takes 8",
                                     "cmdGetPanelLink: 4-byte payload; it takes 0",
                                     "cmdGetPanelStats: 4-byte payload; it takes 0"));
}

struct THarnessCase {
  const char* name;
  bool attached;
  uint16_t openLines;
  std::vector<std::pair<int, int>> swaps;
  uint16_t written;   // to 167630
  uint16_t expected;  // read at 167602
};

void PrintTo(const THarnessCase& c, std::ostream* os) {
  *os << c.name << " (written " << std::oct << c.written << ", read " << c.expected << std::dec
      << ")";
}

class HarnessSim : public SimLinkFixture, public ::testing::TestWithParam<THarnessCase> {
 protected:
  void SetUp() override {
    OpenSim(itUDP);
    ApplyPeripheralSetup(*sim, LivelySetup());
  }
  void TearDown() override { CloseSim(); }
};

TEST_P(HarnessSim, InputShowsTheOutputThroughTheWire) {
  const THarnessCase& c = GetParam();
  auto& harness = *sim->FindModel<TLoopbackHarnessModel>();
  harness.attached = c.attached;
  harness.WireTo(0167602)->openLines = c.openLines;
  harness.WireTo(0167602)->swaps = c.swaps;
  ASSERT_TRUE(WriteWord(0167630, c.written));
  auto words = ReadWords(0167602, 4);
  ASSERT_TRUE(words);
  EXPECT_EQ((*words)[0], c.expected);
  EXPECT_EQ((*words)[1], 0xFFFF) << "167604 follows 167632, still 0";
  EXPECT_EQ((*words)[2], 0xFFFF) << "an input nothing drives floats high";
  auto output = ReadWords(0167630, 1);
  ASSERT_TRUE(output);
  EXPECT_EQ((*output)[0], c.written) << "the output word reads back as written";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HarnessSim,
    ::testing::Values(THarnessCase{"Zero", true, 0, {}, 0, 0xFFFF},
                      THarnessCase{"OneBit", true, 0, {}, 0x0010, 0xFFEF},
                      THarnessCase{"AllButOne", true, 0, {}, 0xFFEF, 0x0010},
                      THarnessCase{"Unplugged", false, 0, {}, 0x0010, 0xFFFF},
                      THarnessCase{"OpenLine", true, 0x0008, {}, 0xFFFF, 0x0008},
                      THarnessCase{"CrossedLines", true, 0, {{2, 5}}, 0x0004, 0xFFDF}),
    [](const auto& info) { return std::string(info.param.name); });

// The whole loop-back test against the harness, through the link of each kind. An open line
// fails every bit at the third step (the line reads 1 where 0 is due), so it cannot show as
// one red circle; two crossed lines fail exactly their two bits.
TEST_P(PeripheralSim, LoopbackTestAgainstTheHarness) {
  auto bitsFailed = [](const TLoopbackWord& word) {
    uint16_t failed = 0;
    for (int i = 0; i < kLoopbackBits; ++i)
      if (!word.bits[static_cast<size_t>(i)]) failed |= static_cast<uint16_t>(1u << i);
    return failed;
  };
  EXPECT_EQ(bitsFailed(RunLoopbackTest(0167602, 0167630)), 0);
  EXPECT_EQ(bitsFailed(RunLoopbackTest(0167604, 0167632)), 0);
  EXPECT_EQ(bitsFailed(RunLoopbackTest(0167606, 0167630)), 0xFFFF) << "no wire to 167606";
  EXPECT_EQ(sim->Bus().Peek(0167630), 0) << "the test leaves the output at 0";

  Harness().WireTo(0167602)->swaps = {{3, 11}};
  EXPECT_EQ(bitsFailed(RunLoopbackTest(0167602, 0167630)), 0x0808);
  Harness().WireTo(0167602)->swaps.clear();
  Harness().WireTo(0167602)->openLines = 0x0040;
  EXPECT_EQ(bitsFailed(RunLoopbackTest(0167602, 0167630)), 0xFFFF);
  Harness().attached = false;
  EXPECT_EQ(bitsFailed(RunLoopbackTest(0167604, 0167632)), 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PeripheralSim, KARVELM_ALL_KINDS);
INSTANTIATE_TEST_SUITE_P(Kinds, PeripheralSimFramed, KARVELM_FRAMED_KINDS);

TEST(SimCommandLinePeripherals, OptionsShapeTheLivelySetup) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseSimCommandLine({}, line, error));
  EXPECT_EQ(line.peripherals.modules.size(), 5u);
  EXPECT_TRUE(line.peripherals.harness);
  EXPECT_NE(line.peripherals.panel.Version, 0u);

  ASSERT_TRUE(ParseSimCommandLine(
      {"--no-panel", "--no-harness", "--harness-open", "167602:3", "--harness-swap", "167604:1:14",
       "--ext-module", "5:0:30", "--ext-module", "0:0:0b:01020300:0006"},
      line, error))
      << error;
  EXPECT_EQ(line.peripherals.panel.Version, 0u);
  EXPECT_FALSE(line.peripherals.harness);
  EXPECT_EQ(line.peripherals.wires[0].openLines, 0x0008);
  EXPECT_EQ(line.peripherals.wires[1].swaps, (std::vector<std::pair<int, int>>{{1, 14}}));
  ASSERT_EQ(line.peripherals.modules.size(), 6u) << "type 0 index 0 replaced, type 5 added";
  EXPECT_EQ(line.peripherals.modules.back().info.NetAddress, 0x0Bu);
  EXPECT_EQ(line.peripherals.modules.back().info.Version, 0x01020300u);
  EXPECT_EQ(line.peripherals.modules.back().info.RegisterMap, SimRegisterMap(0x0006));

  TSimCommandLine bare;
  ASSERT_TRUE(ParseSimCommandLine({"--bare"}, bare, error));
  EXPECT_TRUE(bare.peripherals.modules.empty());
  EXPECT_FALSE(bare.peripherals.harness);

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--harness-open", "167606:3"},  // no wire to 167606
        {"--harness-open", "167602:16"},
        {"--harness-swap", "167602:4:4"},
        {"--ext-module", "7:0:10"},
        {"--ext-module", "0:0:0"},
        {"--ext-module", "0:0:10:1:10000"}}) {
    TSimCommandLine out;
    EXPECT_FALSE(ParseSimCommandLine(bad, out, error)) << bad[0] << ' ' << bad[1];
  }
}

}  // namespace
}  // namespace karvelm
