// The DAC board with its corrections and the position counters with their count harness, as
// the diagnostics core meets them over each link kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "diag/dac_page.h"
#include "diag/diag_records.h"
#include "diag/sensor_page.h"
#include "link/module_commands.h"
#include "sim/dac_model.h"
#include "sim/peripheral_setup.h"
#include "sim/sensor_model.h"
#include "sim/sim_options.h"
#include "sim_fixture.h"
#include "test_names.h"

namespace karvelm {
namespace {

class SimDacTest : public SimLinkFixture, public ::testing::TestWithParam<TIntfType> {
 protected:
  // An RK-130M at type 2 index 0 serving channels 1..served, as the lively setup lists it.
  void Open(TSimDacSetup setup = {}, int served = kSimDacChannels) {
    TSimConfig config;
    config.dac = setup;
    OpenSim(GetParam(), config);
    TSimPeripheralSetup peripherals;
    SetSimDacChannels(peripherals, served);
    ApplyPeripheralSetup(*sim, peripherals);
    dac = sim->FindModel<TDacModel>();
    ASSERT_NE(dac, nullptr);
  }
  void TearDown() override { CloseSim(); }

  TDacModel* dac = nullptr;
};

TEST_P(SimDacTest, RegistersAreBusWordsAndCountTheirWrites) {
  Open();
  ASSERT_TRUE(WriteWord(0167656, 0177777));
  ASSERT_TRUE(WriteWord(0167640, 0x8333));
  EXPECT_EQ(dac->registers[7], 0xFFFF);
  EXPECT_EQ(dac->writes[7], 1u);
  auto words = ReadWords(0167640, 8);
  ASSERT_TRUE(words);
  EXPECT_EQ(*words, (std::vector<uint16_t>{0x8333, 0, 0, 0, 0, 0, 0, 0xFFFF}));
}

// The legacy layout carries 16 bits a value: -1 travels as 0xFFFF both ways.
TEST_P(SimDacTest, CorrectionsInBothLayoutsSetOnlyWhilePaused) {
  TSimDacSetup setup;
  setup.stored = {5, -1, 0, 0, 0, 0, 0, 0};
  Open(setup);
  TDacCorrections values{};
  ASSERT_TRUE(GetDacCorrection(values));
  EXPECT_EQ(values[0], 5);
  EXPECT_EQ(values[1], -1);
  const TSimPacket& reply = sim->Sent().back();
  const size_t width = GetParam() == itHID_OLD ? 2 : 4;
  ASSERT_EQ(reply.payload.size(), 8 * width);
  EXPECT_EQ(reply.payload[0], 5);
  for (size_t i = width; i < 2 * width; ++i) EXPECT_EQ(reply.payload[i], 0xFF) << i;

  values[0] = -300;
  EXPECT_EQ(SetDacCorrection(values), GetParam() == itHID_OLD);  // legacy: no reply to miss
  EXPECT_EQ(dac->refusedSets, 1);
  EXPECT_EQ(TakeViolations(*sim),
            std::vector<std::string>{"cmdSetDacCorrection: outside cmdPause..cmdResume"});
  EXPECT_EQ(dac->corrections[0], 5);

  ASSERT_TRUE(WriteDacCorrections(values));
  EXPECT_EQ(dac->corrections[0], -300);
  EXPECT_EQ(dac->corrections[1], -1);
  EXPECT_FALSE(sim->Paused());
}

TEST_P(SimDacTest, OnlyServedChannelsKeepACorrection) {
  TSimDacSetup setup;
  setup.stored = {1, 2, 3, 4, 5, 6, 7, 8};
  Open(setup, 4);
  TDacCorrections values{};
  ASSERT_TRUE(GetDacCorrection(values));
  EXPECT_EQ(values, (TDacCorrections{1, 2, 3, 4, 0, 0, 0, 0}));
  ASSERT_TRUE(WriteDacCorrections({9, 9, 9, 9, 9, 9, 9, 9}));
  EXPECT_EQ(dac->corrections, (std::array<int32_t, 8>{9, 9, 9, 9, 5, 6, 7, 8}));

  // The page sees the listing the model made: channels 1..4 served.
  TDiagRecords records;
  TDacPage page(records);
  page.Enter(true);
  ASSERT_TRUE(page.Read());
  page.Show();
  EXPECT_EQ(page.CorrectionText(3), "9");
  EXPECT_EQ(page.CorrectionText(4), kCorrectionUnknown);
}

TEST_P(SimDacTest, ARestartKeepsOnlyStoredCorrections) {
  Open();
  TDiagRecords records;
  TDacPage page(records);
  ASSERT_TRUE(page.Read());
  ASSERT_TRUE(page.CorrectionStep(2, dsUp, true));
  ASSERT_TRUE(page.Store(true));
  EXPECT_EQ(dac->stored[2], 1);
  ASSERT_TRUE(page.CorrectionStep(2, dsUp, true));
  EXPECT_EQ(dac->corrections[2], 2);
  sim->Restart(spFirmware);
  EXPECT_EQ(dac->corrections[2], 1);
  EXPECT_EQ(dac->saves, 1);
}

TEST_P(SimDacTest, NoModuleListedLeavesEveryCorrectionUnserved) {
  TSimDacSetup setup;
  setup.stored = {4, 4, 4, 4, 4, 4, 4, 4};
  Open(setup, 0);
  EXPECT_TRUE(sim->ExtModules().empty());
  TDacCorrections values{};
  ASSERT_TRUE(GetDacCorrection(values));
  EXPECT_EQ(values, TDacCorrections{});
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimDacTest, KARVELM_ALL_KINDS);

// The counters as the bus shows them.
class SimSensorTest : public SimLinkFixture, public ::testing::Test {
 protected:
  void Open(TSimSensorSetup setup = {}, TIntfType kind = itUDP) {
    TSimConfig config;
    config.sensors = std::move(setup);
    OpenSim(kind, config);
    sensors = sim->FindModel<TSensorModel>();
    ASSERT_NE(sensors, nullptr);
  }
  void TearDown() override { CloseSim(); }

  TSensorModel* sensors = nullptr;
};

TEST_F(SimSensorTest, CountersAreBcdWithStatusInTheHighWord) {
  Open();
  sensors->channels[2] = 0x01234567;
  sensors->Count(2, 1);
  EXPECT_EQ(sensors->channels[2], 0x01234568u);
  sensors->channels[3] = 0x20000000;  // zero count with the zero mark armed
  sensors->Count(3, -1);
  EXPECT_EQ(sensors->channels[3], 0x29999999u) << "down from 0 wraps, status kept";
  auto words = ReadWords(0167710, 4);
  ASSERT_TRUE(words);
  EXPECT_EQ(*words, (std::vector<uint16_t>{0x4568, 0x0123, 0x9999, 0x2999}));

  // The high word sets the status bits and leaves the digits; the low word takes nothing.
  ASSERT_TRUE(WriteWord(0167712, 0x6FFF));
  ASSERT_TRUE(WriteWord(0167710, 0));
  EXPECT_EQ(sensors->channels[2], 0x61234568u);
}

TEST_F(SimSensorTest, HarnessCountsQuartersAndIgnoresJumps) {
  Open();
  for (uint16_t value : {0x08, 0x88, 0x80, 0x00, 0x08}) ASSERT_TRUE(WriteWord(0167630, value));
  EXPECT_EQ(sensors->channels[0], 5u);
  ASSERT_TRUE(WriteWord(0167630, 0x80));  // A to B: two quarters at once
  EXPECT_EQ(sensors->channels[0], 5u);
  ASSERT_TRUE(WriteWord(0167630, 0x88));  // back a quarter
  EXPECT_EQ(sensors->channels[0], 4u);
  EXPECT_EQ(sim->Bus().Peek(0167630), 0x88) << "the output word still holds what was written";
  EXPECT_EQ(sensors->channels[1], 0u);
}

// The loop-back harness reads the output words the count harness listens on: one write
// reaches both, and the output word keeps what was written.
TEST_F(SimSensorTest, BothHarnessesShareTheOutputWords) {
  Open();
  ApplyPeripheralSetup(*sim, LivelySetup());
  for (uint16_t value : {0x08, 0x88}) ASSERT_TRUE(WriteWord(0167630, value));
  ASSERT_TRUE(WriteWord(0167632, 0x08));
  EXPECT_EQ(sensors->channels[0], 2u);
  EXPECT_EQ(sensors->channels[1], 1u);
  auto inputs = ReadWords(0167602, 2);
  ASSERT_TRUE(inputs);
  EXPECT_EQ(*inputs, (std::vector<uint16_t>{0xFF77, 0xFFF7}));
  auto outputs = ReadWords(0167630, 2);
  ASSERT_TRUE(outputs);
  EXPECT_EQ(*outputs, (std::vector<uint16_t>{0x88, 0x08}));
}

struct TCountCase {
  const char* name;
  TSimSensorSetup setup;
  int channel;
  uint16_t output;
  std::array<const char*, 3> texts;
};

TSimSensorSetup With(void (*change)(TSimSensorSetup&)) {
  TSimSensorSetup setup;
  change(setup);
  return setup;
}

class SimCountTest : public SimLinkFixture, public ::testing::TestWithParam<TCountCase> {
 protected:
  void TearDown() override { CloseSim(); }
};

// The count test of the diagnostics core run against the harness switches.
TEST_P(SimCountTest, CountTestReadsTheHarness) {
  const TCountCase& c = GetParam();
  for (TIntfType kind : {itHID_OLD, itUDP}) {
    TSimConfig config;
    config.sensors = c.setup;
    OpenSim(kind, config);
    const TCountResult result = RunCountTest(c.channel, c.output);
    for (size_t step = 0; step < 3; ++step)
      EXPECT_EQ(result.texts[step], c.texts[step]) << LinkKindName(kind) << " step " << step;
    // Once the zero-mark step ran, its enable is cleared again whatever the result.
    if (std::string(c.texts[2]) != kCountNotRun) {
      const uint32_t value =
          sim->FindModel<TSensorModel>()->channels[static_cast<size_t>(c.channel)];
      EXPECT_EQ(value >> 28, 0u) << LinkKindName(kind);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SimCountTest,
    ::testing::Values(TCountCase{"normalWiring", {}, 0, 0167630, {"ОК", "ОК", "ОК"}},
                      TCountCase{"additionalWiring", {}, 1, 0167632, {"ОК", "ОК", "ОК"}},
                      TCountCase{"wrapsFromNearTheTop",
                                 With([](TSimSensorSetup& s) { s.startCount = 9999950; }),
                                 0,
                                 0167630,
                                 {"ОК", "ОК", "ОК"}},
                      TCountCase{"lostCycle",
                                 With([](TSimSensorSetup& s) { s.lostCounts = 4; }),
                                 0,
                                 0167630,
                                 {"ошибка счета", "-", "-"}},
                      TCountCase{"secondChannelCounts",
                                 With([](TSimSensorSetup& s) { s.alsoCounts = 2; }),
                                 1,
                                 0167632,
                                 {"счет по 167710", "-", "-"}},
                      TCountCase{"noZeroMark",
                                 With([](TSimSensorSetup& s) { s.zeroMarkWired = false; }),
                                 0,
                                 0167630,
                                 {"ОК", "ОК", "ошибка"}},
                      TCountCase{"noHarness",
                                 With([](TSimSensorSetup& s) { s.harnesses.clear(); }),
                                 0,
                                 0167630,
                                 {"ошибка счета", "-", "-"}},
                      TCountCase{
                          "wiredToAnotherChannel", {}, 0, 0167632, {"счет по 167704", "-", "-"}},
                      TCountCase{"lowWordOfAnotherPair",
                                 With([](TSimSensorSetup& s) {
                                   s.harnesses = {{0167624, 5}};
                                 }),
                                 5,
                                 0167624,
                                 {"ОК", "ОК", "ОК"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimSensorOptions, SwitchesReachTheSetup) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(
      ParseSimCommandLine({"--harness", "167624=167734,167636=167700", "--start-count", "9999950",
                           "--lose-counts", "4", "--also-counts", "167710", "--no-zero-mark",
                           "--dac-channels", "4", "--dac-corrections", "5,-1,0,0,0,0,0,2147483647"},
                          line, error))
      << error;
  const TSimSensorSetup& s = line.config.sensors;
  EXPECT_EQ(s.harnesses, (std::vector<TSimHarness>{{0167624, 7}, {0167636, 0}}));
  EXPECT_EQ(s.startCount, 9999950);
  EXPECT_EQ(s.lostCounts, 4);
  EXPECT_EQ(s.alsoCounts, 2);
  EXPECT_FALSE(s.zeroMarkWired);
  const auto dacModule = std::ranges::find_if(line.peripherals.modules, [](const auto& m) {
    return m.type == kSimDacModuleType && m.index == 0;
  });
  ASSERT_NE(dacModule, line.peripherals.modules.end());
  EXPECT_EQ(dacModule->info.RegisterMap, SimRegisterMap(0x000F));
  EXPECT_EQ(line.config.dac.stored[1], -1);
  EXPECT_EQ(line.config.dac.stored[7], 2147483647);

  ASSERT_TRUE(ParseSimCommandLine({"--harness", "none"}, line, error));
  EXPECT_TRUE(line.config.sensors.harnesses.empty());

  // Off the bus, and back on a bare module.
  for (const auto& [args, listed] :
       {std::pair{std::vector<std::string>{"--dac-channels", "0"}, false},
        std::pair{std::vector<std::string>{"--bare", "--dac-channels", "8"}, true}}) {
    TSimCommandLine other;
    ASSERT_TRUE(ParseSimCommandLine(args, other, error)) << error;
    EXPECT_EQ(std::ranges::count_if(other.peripherals.modules,
                                    [](const auto& m) { return m.type == kSimDacModuleType; }),
              listed ? 1 : 0)
        << args[0];
  }

  for (std::vector<std::string> bad : {std::vector<std::string>{"--harness", "167640=167700"},
                                       {"--harness", "167630=167702"},
                                       {"--harness", "167630"},
                                       {"--start-count", "10000000"},
                                       {"--also-counts", "167740"},
                                       {"--dac-channels", "9"},
                                       {"--dac-corrections", "1,2,3"},
                                       {"--dac-corrections", "1,2,3,4,5,6,7,x"}}) {
    TSimCommandLine other;
    EXPECT_FALSE(ParseSimCommandLine(bad, other, error)) << bad[0] << " " << bad[1];
  }
}

}  // namespace
}  // namespace karvelm
