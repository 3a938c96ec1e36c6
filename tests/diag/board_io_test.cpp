#include "diag/board_io.h"

#include <gtest/gtest.h>
#include <ostream>

#include "diag/debug_view.h"
#include "fake_bus_module.h"
#include "test_names.h"

namespace karvelm {
namespace {

using diagtest::BusRead;
using diagtest::BusWrite;
using diagtest::TBusEvent;
using diagtest::TFakeBusLink;

class BoardWords : public ::testing::TestWithParam<TIntfType> {
 protected:
  TFakeBusLink link{GetParam()};
  TDiagRecords records;
};

TEST_P(BoardWords, ReadFillsInputsThenOutputsAndTheLabelsShowBits) {
  link.module->memory[0167602] = 0x8001;
  link.module->memory[0167624] = 0x00FF;
  link.module->memory[0167636] = 0xFFFF;
  TInOutPage page(records);
  ASSERT_TRUE(page.Read());
  EXPECT_EQ(link.log, (std::vector<TBusEvent>{BusRead(0167602, 10), BusRead(0167624, 6)}));
  EXPECT_EQ(page.LabelText(0), "1000000000000001");
  // 167624 is the last input and the first output word.
  EXPECT_EQ(page.LabelText(9), "0000000011111111");
  EXPECT_EQ(page.LabelText(10), "0000000011111111");
  EXPECT_EQ(page.LabelText(15), "1111111111111111");
  EXPECT_EQ(kBoardWordLabels[15].address, 0167636);
}

TEST_P(BoardWords, OutputEntryWritesTheLastAcceptedValue) {
  TInOutPage page(records);
  // Edit18 is Tag 2, output 167630.
  EXPECT_TRUE(page.OutpChange(2, "17"));
  EXPECT_TRUE(page.OutputClick(2, true));
  EXPECT_FALSE(page.OutpChange(2, "8")) << "red";
  EXPECT_TRUE(page.OutputClick(2, true));
  EXPECT_FALSE(page.OutpChange(2, "")) << "an empty entry is an error";
  EXPECT_EQ(page.AcceptedOutput(2), 0x000F);
  EXPECT_TRUE(page.OutpChange(5, "177777"));
  EXPECT_TRUE(page.OutputClick(5, true));
  EXPECT_EQ(link.log, (std::vector<TBusEvent>{BusWrite(0167630, 0x000F), BusWrite(0167630, 0x000F),
                                              BusWrite(0167636, 0xFFFF)}));

  // The exact 20-byte form of the link kind.
  const diagtest::Bytes& payload = link.module->received[1].payload;
  const diagtest::Bytes expected =
      GetParam() == itHID_OLD
          ? diagtest::Bytes{0x98, 0xEF, 0x0F, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}
          : diagtest::Bytes{0x98, 0xEF, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(diagtest::Bytes(payload.begin(), payload.begin() + 20), expected);
  if (GetParam() != itHID_OLD) {
    EXPECT_EQ(payload.size(), 20u);
  }
}

TEST_P(BoardWords, OutputClickWritesNothingWhenNotConnectedOrSilent) {
  TInOutPage page(records);
  page.OutpChange(0, "1");
  EXPECT_FALSE(page.OutputClick(0, false));
  EXPECT_TRUE(link.module->received.empty());
  link.module->answersIdentify = false;
  EXPECT_FALSE(page.OutputClick(0, true));
  EXPECT_TRUE(link.log.empty());
}

// Debug view: 16 cells of 8 pixels on a 132-pixel label; bit 15 is the leftmost.
struct TClickCase {
  int x;
  uint16_t before;
  uint16_t written;
};

void PrintTo(const TClickCase& c, std::ostream* os) {
  *os << "x " << c.x << ", word " << Hex(c.before) << " -> " << Hex(c.written);
}

class DebugClick : public ::testing::TestWithParam<TClickCase> {};

TEST_P(DebugClick, InvertsTheBitUnderTheMouse) {
  const TClickCase& c = GetParam();
  EXPECT_EQ(DebugClickWord(c.before, c.x, kDebugInputLabelWidth), c.written);
}

INSTANTIATE_TEST_SUITE_P(Cells, DebugClick,
                         ::testing::Values(TClickCase{0, 0x0000, 0x8000},  // leftmost character
                                           TClickCase{7, 0x0000, 0x8000},
                                           TClickCase{8, 0x0000, 0x4000},
                                           TClickCase{127, 0x0000, 0x0001},  // rightmost
                                           TClickCase{120, 0x0001, 0x0000},
                                           TClickCase{128, 0x1234, 0x1234},  // past cell 16
                                           TClickCase{131, 0xFFFF, 0xFFFF}),
                         [](const auto& info) {
                           return "X" + std::to_string(info.param.x) + "_" + Hex(info.param.before);
                         });

TEST_P(BoardWords, DebugClickWritesTheLastReadWordWithOneBitInverted) {
  link.module->memory[0167602] = 0x0000;
  link.module->memory[0167604] = 0x00F0;
  TDebugPage page(records);
  page.Read();
  link.log.clear();

  EXPECT_TRUE(page.MouseDown(0, 0, kDebugInputLabelWidth, true));
  EXPECT_TRUE(page.MouseDown(0, 127, kDebugInputLabelWidth, true));
  // Two clicks on the same word in one tick: each starts from the last read.
  EXPECT_TRUE(page.MouseDown(1, 120, kDebugInputLabelWidth, true));
  EXPECT_TRUE(page.MouseDown(1, 112, kDebugInputLabelWidth, true));
  // Past the sixteenth cell the unchanged word is still written.
  EXPECT_TRUE(page.MouseDown(1, 130, kDebugInputLabelWidth, true));
  EXPECT_EQ(link.log, (std::vector<TBusEvent>{BusWrite(0167602, 0x8000), BusWrite(0167602, 0x0001),
                                              BusWrite(0167604, 0x00F1), BusWrite(0167604, 0x00F2),
                                              BusWrite(0167604, 0x00F0)}));
  EXPECT_EQ(page.LabelText(1), "0000000011110000") << "the click does not change the label";

  link.log.clear();
  EXPECT_FALSE(page.MouseDown(0, 0, kDebugInputLabelWidth, false));
  link.module->answersIdentify = false;
  EXPECT_FALSE(page.MouseDown(0, 0, kDebugInputLabelWidth, true));
  EXPECT_TRUE(link.log.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoardWords, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

}  // namespace
}  // namespace karvelm
