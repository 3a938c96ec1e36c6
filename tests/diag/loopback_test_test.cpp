#include "diag/loopback_test.h"

#include <gtest/gtest.h>

#include <map>

#include "fake_bus_module.h"
#include "test_names.h"

namespace karvelm {
namespace {

using diagtest::BusRead;
using diagtest::BusWrite;
using diagtest::Slept;
using diagtest::TBusEvent;
using diagtest::TFakeBusLink;

constexpr uint16_t kIn = 0167604;
constexpr uint16_t kOut = 0167630;

class Loopback : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    link.module->onRead = [this](uint16_t address) -> std::optional<uint16_t> {
      const auto wire = harness.find(address);
      if (wire == harness.end()) return 0xFFFF;  // unwired inputs read all ones
      uint16_t word = static_cast<uint16_t>(~link.module->Word(wire->second));
      if (brokenLine >= 0) word |= static_cast<uint16_t>(1u << brokenLine);  // open: pulled up
      return word;
    };
  }

  bool Framed() const { return GetParam() != itHID_OLD; }
  // All bits but one, as the third step writes it on this kind.
  uint32_t AllBut(int bit) const {
    const uint32_t value = ~(1u << bit);
    return Framed() ? value : (value & 0xFFFF);
  }
  std::vector<std::pair<int, bool>> reported;
  TLoopbackReport Recorder(TLoopbackRow expectedRow) {
    return [this, expectedRow](TLoopbackRow row, int bit, bool passed) {
      EXPECT_EQ(row, expectedRow);
      reported.emplace_back(bit, passed);
    };
  }

  TFakeBusLink link{GetParam()};
  std::map<uint16_t, uint16_t> harness{{kIn, kOut}};  // input word -> output word fed back
  int brokenLine = -1;
};

TEST_P(Loopback, EachBitWritesZeroTheBitAndTheRestEachWaitedAndReadBack) {
  const TLoopbackWord result = RunLoopbackTest(kIn, kOut, Recorder(lrLow));
  EXPECT_TRUE(result.Passed());
  ASSERT_EQ(link.log.size(), 16u * 9u + 1u);
  for (int bit = 0; bit < 16; ++bit) {
    const std::vector<TBusEvent> one(link.log.begin() + 9 * bit, link.log.begin() + 9 * bit + 9);
    EXPECT_EQ(one, (std::vector<TBusEvent>{BusWrite(kOut, 0), Slept(100), BusRead(kIn),
                                           BusWrite(kOut, 1u << bit), Slept(100), BusRead(kIn),
                                           BusWrite(kOut, AllBut(bit)), Slept(100), BusRead(kIn)}))
        << "bit " << bit;
  }
  EXPECT_EQ(link.log.back(), BusWrite(kOut, 0));
  // The final write carries nothing in its reserved bytes.
  const diagtest::Bytes& last = link.module->received.back().payload;
  EXPECT_EQ(std::count(last.begin() + 4, last.end(), 0), static_cast<long>(last.size()) - 4);
  ASSERT_EQ(reported.size(), 16u);
  for (int bit = 0; bit < 16; ++bit) EXPECT_EQ(reported[bit], std::make_pair(bit, true));
}

TEST_P(Loopback, WithoutHarnessEveryBitFailsAtTheSecondStep) {
  harness.clear();
  const TLoopbackWord result = RunLoopbackTest(kIn, kOut, Recorder(lrLow));
  EXPECT_EQ(result.bits, (std::array<bool, 16>{}));
  // Two writes a bit, then the final one.
  EXPECT_EQ(std::count_if(link.log.begin(), link.log.end(),
                          [](const TBusEvent& e) { return e.what == 'W'; }),
            16 * 2 + 1);
  EXPECT_EQ(link.log[3], BusWrite(kOut, 1));
  EXPECT_EQ(link.log[6], BusWrite(kOut, 0)) << "the next bit starts";
  EXPECT_EQ(reported.size(), 16u);
}

TEST_P(Loopback, OpenInputLineFailsItsBitAtTheSecondStepAndTheOthersAtTheThird) {
  // A line that no longer carries the output reads 1 whatever is driven; the third step
  // expects every other input bit at 0, so it fails every other bit too.
  brokenLine = 5;
  const TLoopbackWord result = RunLoopbackTest(kIn, kOut);
  EXPECT_EQ(result.bits, (std::array<bool, 16>{}));
  const auto writesBeforeBit = [&](int bit) {
    int writes = 0, zeros = 0;
    for (const TBusEvent& e : link.log) {
      if (e.what != 'W') continue;
      if (e.value == 0 && zeros++ == bit) return writes;
      ++writes;
    }
    return -1;
  };
  EXPECT_EQ(writesBeforeBit(5), 5 * 3);
  EXPECT_EQ(writesBeforeBit(6), 5 * 3 + 2) << "bit 5 stopped after its second write";
}

TEST_P(Loopback, OnlyTheHighWordOfTheLastPairTestsOutput167636) {
  harness = {{0167622, 0167636}};
  std::vector<bool> timer;
  TLoopbackRequest request;
  request.pair = 2;
  request.highInput = 8;  // 167622
  const TLoopbackRun run = RunLoopback(
      request, true, [&](bool on) { timer.push_back(on); }, Recorder(lrHigh));
  EXPECT_TRUE(run.moduleAnswered);
  EXPECT_FALSE(run.low);
  ASSERT_TRUE(run.high);
  EXPECT_EQ(run.high->output, 0167636);
  EXPECT_EQ(run.high->input, 0167622);
  EXPECT_TRUE(run.Passed());
  EXPECT_EQ(timer, (std::vector<bool>{false, true}));
  for (const TBusEvent& e : link.log) {
    if (e.what == 'W') {
      EXPECT_EQ(e.address, 0167636);
    }
  }
  EXPECT_EQ(reported.size(), 16u);
}

TEST_P(Loopback, LowThenHighWordOfTheChosenPair) {
  harness = {{0167602, 0167624}, {0167624, 0167626}};
  TLoopbackRequest request;
  request.pair = 0;
  request.lowInput = 0;
  request.highInput = 9;
  std::vector<TLoopbackRow> rows;
  const TLoopbackRun run =
      RunLoopback(request, true, {}, [&](TLoopbackRow row, int, bool) { rows.push_back(row); });
  ASSERT_TRUE(run.low && run.high);
  EXPECT_TRUE(run.Passed());
  EXPECT_EQ(link.log.front(), BusWrite(0167624, 0));
  EXPECT_EQ(link.log.back(), BusWrite(0167626, 0));
  ASSERT_EQ(rows.size(), 32u);
  EXPECT_EQ(rows[15], lrLow);
  EXPECT_EQ(rows[16], lrHigh);
}

TEST_P(Loopback, NothingRunsWhenTheFirmwareIsAbsentAndNothingTickedOnlySwitchesTheTimer) {
  std::vector<bool> timer;
  const TTimerSwitch record = [&](bool on) { timer.push_back(on); };
  TLoopbackRequest request;
  request.lowInput = 1;
  EXPECT_FALSE(RunLoopback(request, false, record).moduleAnswered);
  link.module->answersIdentify = false;
  EXPECT_FALSE(RunLoopback(request, true, record).Passed());
  EXPECT_TRUE(timer.empty());
  EXPECT_TRUE(link.log.empty());

  link.module->answersIdentify = true;
  const TLoopbackRun run = RunLoopback(TLoopbackRequest{}, true, record);
  EXPECT_TRUE(run.moduleAnswered);
  EXPECT_FALSE(run.low || run.high);
  EXPECT_EQ(timer, (std::vector<bool>{false, true}));
  EXPECT_TRUE(link.log.empty());
}

// Cancelled between bits (Ctrl-C on the command line), the word stops there, its output is
// left 0 as at the normal end, and the high word is not begun.
TEST_P(Loopback, CancelStopsBetweenBitsWithTheOutputLeftZero) {
  harness = {{0167602, 0167630}, {0167604, 0167632}};
  TLoopbackRequest request;
  request.lowInput = 0;
  request.highInput = 1;
  int asked = 0;
  const TLoopbackRun run = RunLoopback(request, true, {}, Recorder(lrLow), [&] {
    return ++asked > 4;  // asked before the word and before each bit: bits 0..2 run
  });
  EXPECT_TRUE(run.cancelled);
  EXPECT_FALSE(run.Passed());
  ASSERT_TRUE(run.low);
  EXPECT_TRUE(run.low->cancelled);
  EXPECT_FALSE(run.high) << "the high word is not begun";
  EXPECT_EQ(reported, (std::vector<std::pair<int, bool>>{{0, true}, {1, true}, {2, true}}));
  ASSERT_EQ(link.log.size(), 3u * 9u + 1u);
  EXPECT_EQ(link.log.back(), BusWrite(0167630, 0));
  EXPECT_EQ(link.module->Word(0167630), 0);
  for (const TBusEvent& e : link.log) EXPECT_NE(e.address, 0167632);

  // Stopped before anything: only the closing write.
  link.log.clear();
  const TLoopbackWord none = RunLoopbackTest(0167602, 0167630, {}, [] { return true; });
  EXPECT_TRUE(none.cancelled);
  EXPECT_EQ(link.log, (std::vector<TBusEvent>{BusWrite(0167630, 0)}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, Loopback, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

TEST(LoopbackLists, TextsMapToItems) {
  EXPECT_EQ(FindOutputPair("167634-167636"), 2);
  EXPECT_EQ(FindInputWord("167624"), 9);
  EXPECT_EQ(FindInputWord("167626"), std::nullopt);
}

}  // namespace
}  // namespace karvelm
