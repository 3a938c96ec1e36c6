#include "diag/sensor_page.h"

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>

#include "diag/sensor_count.h"
#include "fake_bus_module.h"
#include "sensor_harness.h"
#include "test_names.h"

namespace karvelm {
namespace {

using diagtest::BusRead;
using diagtest::BusWrite;
using diagtest::SensorHarness;
using diagtest::Slept;
using diagtest::TBusEvent;
using diagtest::TFakeBusLink;

struct TBcdCase {
  uint32_t value;
  int number;
  const char* text;
};

void PrintTo(const TBcdCase& c, std::ostream* os) {
  *os << Hex(c.value, 8) << " -> " << c.number << ", \"" << c.text << "\"";
}

class SensorCount : public ::testing::TestWithParam<TBcdCase> {};

TEST_P(SensorCount, DigitsAndText) {
  EXPECT_EQ(BcdToInt(GetParam().value), GetParam().number);
  EXPECT_EQ(FormatSensorCount(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SensorCount,
    ::testing::Values(TBcdCase{0x01234567, 1234567, "1234.567"},
                      TBcdCase{0x60000000, 0, "0000.000"},  // status bits are not shown
                      TBcdCase{0xF9999999, 9999999, "9999.999"},
                      TBcdCase{0x0000000A, 10, "0000.0010"},  // a field above 9: two characters
                      TBcdCase{0x0F000000, 15000000, "15000.000"}),
    [](const auto& info) { return "Bcd" + Hex(info.param.value, 8); });

TEST(SensorPage, ChannelsCombineTheirTwoWords) {
  TDiagRecords records;
  records.SensorRegs[2] = 0x4567;
  records.SensorRegs[3] = 0x6123;
  TSensorPage page(records);
  EXPECT_EQ(page.ChannelValue(1), 0x61234567u);
  EXPECT_EQ(page.CountText(1), "1234.567");
  EXPECT_EQ(page.CountText(0), "0000.000");
}

class CountTest : public ::testing::TestWithParam<TIntfType> {
 protected:
  TFakeBusLink link{GetParam()};
  SensorHarness harness{*link.module};
  std::vector<bool> timer;
};

TEST_P(CountTest, QuadratureCyclesWriteFourPhasesEachFollowedByOneMillisecond) {
  DriveQuadrature(0167630, 1);
  DriveQuadrature(0167630, -1);
  EXPECT_EQ(link.log, (std::vector<TBusEvent>{
                          BusWrite(0167630, 0x08), Slept(1), BusWrite(0167630, 0x88), Slept(1),
                          BusWrite(0167630, 0x80), Slept(1), BusWrite(0167630, 0x00), Slept(1),
                          BusWrite(0167630, 0x80), Slept(1), BusWrite(0167630, 0x88), Slept(1),
                          BusWrite(0167630, 0x08), Slept(1), BusWrite(0167630, 0x00), Slept(1)}));
}

TEST_P(CountTest, PassesOnTheHarnessWithItsWritesReadsAndWaits) {
  harness.wiring[0167630] = 1;
  harness.count[1] = 1234;
  std::vector<std::string> reported;
  const TCountResult result =
      RunCountTest(1, 0167630, [&](TCountWiring wiring, TCountStep, const std::string& text) {
        EXPECT_EQ(wiring, cwNormal);
        reported.push_back(text);
      });
  EXPECT_EQ(result.texts, (std::array<std::string, 3>{"ОК", "ОК", "ОК"}));
  EXPECT_EQ(reported, (std::vector<std::string>{"ОК", "ОК", "ОК"}));
  EXPECT_TRUE(result.Passed());

  int writes = 0, reads = 0, waited = 0;
  for (const TBusEvent& e : link.log) {
    writes += e.what == 'W';
    reads += e.what == 'R';
    if (e.what == 'S') waited += static_cast<int>(e.value);
  }
  EXPECT_EQ(writes, 306);
  EXPECT_EQ(reads, 4);
  // 10 + 20, 100 + 20 up, 200 + 20 down, 20 + 5 + 20 for the zero mark.
  EXPECT_EQ(waited, 415);
  const std::vector<TBusEvent> start(link.log.begin(), link.log.begin() + 5);
  EXPECT_EQ(start, (std::vector<TBusEvent>{BusWrite(0167630, 0), Slept(10), BusWrite(0167706, 0),
                                           Slept(20), BusRead(0167700, 16)}));
  const std::vector<TBusEvent> end(link.log.end() - 8, link.log.end());
  EXPECT_EQ(end, (std::vector<TBusEvent>{BusWrite(0167706, 0x2000), Slept(20),
                                         BusWrite(0167630, 0x0800), Slept(5), BusWrite(0167630, 0),
                                         Slept(20), BusRead(0167700, 16), BusWrite(0167706, 0)}));
}

TEST_P(CountTest, CountsAcrossTheWrap) {
  harness.wiring[0167630] = 0;
  harness.count[0] = 9999950;
  EXPECT_TRUE(RunCountTest(0, 0167630).Passed());
}

struct TFaultCase {
  const char* name;
  std::function<void(SensorHarness&)> fault;
  int channel;
  std::array<std::string, 3> texts;
};

TEST(CountFaultTable, FailuresNameTheirStep) {
  const TFaultCase cases[] = {
      {"LostCount", [](SensorHarness& h) { h.lostCounts = 4; }, 1, {"ошибка счета", "-", "-"}},
      {"SecondChannelCounts",
       [](SensorHarness& h) { h.alsoCounts = 2; },
       1,
       {"счет по 167710", "-", "-"}},
      {"WrongZeroMark",
       [](SensorHarness& h) { h.zeroMarkWired = false; },
       1,
       {"ОК", "ОК", "ошибка"}},
      {"NothingWired", [](SensorHarness& h) { h.wiring.clear(); }, 1, {"ошибка счета", "-", "-"}},
  };
  for (TIntfType kind : {itHID_OLD, itHID_NEW, itUDP}) {
    for (const TFaultCase& c : cases) {
      TFakeBusLink link(kind);
      SensorHarness harness(*link.module);
      harness.wiring[0167630] = c.channel;
      c.fault(harness);
      EXPECT_EQ(RunCountTest(c.channel, 0167630).texts, c.texts)
          << c.name << " " << LinkKindName(kind);
    }
  }
}

TEST_P(CountTest, BothWiringsOfTheFirstPairUseItsTwoWords) {
  harness.wiring[0167624] = 0;
  harness.wiring[0167626] = 5;
  TCountRequest request;
  request.pair = 0;
  request.normal = 0;
  request.additional = 5;
  std::vector<TCountWiring> wirings;
  const TCountRun run = RunCountTests(
      request, true, [&](bool on) { timer.push_back(on); },
      [&](TCountWiring wiring, TCountStep, const std::string&) { wirings.push_back(wiring); });
  ASSERT_TRUE(run.normal && run.additional);
  EXPECT_EQ(run.normal->output, 0167624);
  EXPECT_EQ(run.additional->output, 0167626);
  EXPECT_TRUE(run.Passed());
  EXPECT_EQ(timer, (std::vector<bool>{false, true}));
  EXPECT_EQ(wirings, (std::vector<TCountWiring>{cwNormal, cwNormal, cwNormal, cwAdditional,
                                                cwAdditional, cwAdditional}));
  EXPECT_EQ(link.log.front(), BusWrite(0167624, 0));
  EXPECT_EQ(link.log.back(), BusWrite(0167726, 0)) << "the high word of channel 167724";
}

// Cancelled at any step (Ctrl-C on the command line), the test stops with the output word and
// the channel's high word written 0, as its normal end leaves them; later steps show "-".
TEST_P(CountTest, CancelLeavesTheOutputAndTheHighWordZero) {
  harness.wiring[0167630] = 1;
  const struct {
    int cyclesBeforeStop;  // cancel polls answered "go on"
    std::array<std::string, 3> texts;
  } cases[] = {
      {0, {"-", "-", "-"}},                                    // before the first cycle up
      {10, {"-", "-", "-"}},                                   // in the middle of the count up
      {kCountUpCycles + 20, {"ОК", "-", "-"}},                 // in the count down
      {kCountUpCycles + kCountDownCycles, {"ОК", "ОК", "-"}},  // before the zero mark
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cyclesBeforeStop);
    link.log.clear();
    int polls = 0;
    const TCountResult result =
        RunCountTest(1, 0167630, {}, [&] { return polls++ >= c.cyclesBeforeStop; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.Passed());
    EXPECT_EQ(result.texts, c.texts);
    ASSERT_GE(link.log.size(), 2u);
    EXPECT_EQ(link.log[link.log.size() - 2], BusWrite(0167630, 0));
    EXPECT_EQ(link.log.back(), BusWrite(0167706, 0));
    EXPECT_EQ(link.module->Word(0167630), 0);
  }

  // Through the run: stopped inside the normal wiring, the additional one is not begun.
  TCountRequest request;
  request.normal = 1;
  request.additional = 2;
  int polls = 0;
  const TCountRun run = RunCountTests(request, true, {}, {}, [&] { return ++polls > 5; });
  EXPECT_TRUE(run.cancelled);
  ASSERT_TRUE(run.normal);
  EXPECT_TRUE(run.normal->cancelled);
  EXPECT_FALSE(run.additional);
}

TEST_P(CountTest, NothingRunsWithoutTheFirmware) {
  TCountRequest request;
  request.normal = 0;
  EXPECT_FALSE(RunCountTests(request, false, [&](bool on) { timer.push_back(on); }).moduleAnswered);
  link.module->answersIdentify = false;
  EXPECT_FALSE(RunCountTests(request, true, [&](bool on) { timer.push_back(on); }).Passed());
  EXPECT_TRUE(timer.empty());
  EXPECT_TRUE(link.log.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, CountTest, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

TEST(SensorLists, TextsMapToChannels) {
  EXPECT_EQ(FindSensorChannel("167734"), 7);
  EXPECT_EQ(FindSensorChannel("167702"), std::nullopt);
}

}  // namespace
}  // namespace karvelm
