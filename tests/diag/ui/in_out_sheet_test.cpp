// The input/output sub-page on the main window: the sixteen word labels, the output entries
// and their write buttons, and the loop-back test through the simulated harness.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <optional>
#include <string>

#include "base/octal_text.h"
#include "diag/board_io.h"
#include "diag/sub_pages.h"
#include "diag/ui/bit_widgets.h"
#include "diag_pages_fixture.h"

namespace karvelm {
namespace {

using testing::Each;
using testing::ElementsAre;

class InOutSheet : public DiagPagesFixture {
 protected:
  void SetUp() override {
    DiagPagesFixture::SetUp();
    Open();
    ShowSubPage(dpInOut);
    ASSERT_TRUE(form->Shell().in_out_screen);
    links->Sim().ClearRecord();
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  static void Type(QLineEdit* edit, const char* text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  static bool Red(QLineEdit* edit) {
    return edit->palette().color(QPalette::Text) == QColor(Qt::red);
  }
  // The 32 circles as letters, the low-word row first, each row from bit 0 to bit 15:
  // W white, G green, R red.
  std::string Circles() {
    std::string text;
    for (int i = 0; i < 32; ++i) {
      const QColor brush =
          Find<TResultShape>(QString("in_out_test_shape%1").arg(i).toUtf8().constData())->Brush();
      text += brush == QColor(Qt::white)   ? 'W'
              : brush == QColor(Qt::green) ? 'G'
              : brush == QColor(Qt::red)   ? 'R'
                                           : '?';
    }
    return text;
  }
  void RunTest(int pair, std::optional<int> low, std::optional<int> high) {
    Find<QComboBox>("ComboBox9")->setCurrentIndex(pair);
    Find<QCheckBox>("CheckBox1")->setChecked(low.has_value());
    Find<QComboBox>("ComboBox10")->setCurrentIndex(low.value_or(0));
    Find<QCheckBox>("CheckBox2")->setChecked(high.has_value());
    Find<QComboBox>("ComboBox11")->setCurrentIndex(high.value_or(0));
    QTest::mouseClick(Find<QPushButton>("Button1"), Qt::LeftButton);
  }
};

TEST_F(InOutSheet, EveryLabelShowsItsWordAfterATick) {
  DetachHarness();
  for (const TBoardWordLabel& label : kBoardWordLabels)
    links->Sim().Bus().Poke(label.address, static_cast<uint16_t>(0x1000 + label.address));
  Tick();
  for (const TBoardWordLabel& label : kBoardWordLabels) {
    SCOPED_TRACE(label.name);
    EXPECT_EQ(Text(label.name).toStdString(),
              WordToBits(static_cast<uint16_t>(0x1000 + label.address)));
  }
  // 167624 is the last input and the first output word.
  EXPECT_EQ(Text("StaticText96"), Text("StaticText227"));
}

TEST_F(InOutSheet, EnterInAnEntryWritesTheValueToItsOwnWord) {
  for (const TOutputEntry& entry : kOutputEntries) {
    SCOPED_TRACE(entry.edit);
    EXPECT_EQ(Edit(entry.edit)->text(), "0");
    EXPECT_EQ(Find<QToolButton>(entry.button)->property("Tag").toInt(), entry.tag);
    Type(Edit(entry.edit), "17");
    EXPECT_FALSE(Red(Edit(entry.edit)));
    QTest::keyClick(Edit(entry.edit), Qt::Key_Return);
    EXPECT_THAT(TakeBusWrites(),
                ElementsAre(TBusWrite{static_cast<uint16_t>(0167624 + 2 * entry.tag), 0x000F}));
  }
}

TEST_F(InOutSheet, BadEntryTurnsRedAndTheButtonWritesTheValueAcceptedBefore) {
  QLineEdit* edit = Edit("Edit18");
  Type(edit, "17");
  QTest::keyClick(edit, Qt::Key_Enter);  // the keypad's Enter too
  Type(edit, "8");
  EXPECT_TRUE(Red(edit));
  QTest::keyClick(edit, Qt::Key_Return);
  Type(edit, "");
  EXPECT_TRUE(Red(edit));
  QTest::mouseClick(Find<QToolButton>("SpeedButton3"), Qt::LeftButton);
  EXPECT_THAT(TakeBusWrites(), ElementsAre(TBusWrite{0167630, 0x000F}, TBusWrite{0167630, 0x000F},
                                           TBusWrite{0167630, 0x000F}));
  Type(edit, "177777");
  EXPECT_FALSE(Red(edit));
  EXPECT_EQ(edit->text(), "177777");  // the entry is never rewritten by the page
  // Other keys write nothing.
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_THAT(TakeBusWrites(), ElementsAre());
}

TEST_F(InOutSheet, OutputWriteWithTheModuleAwaySendsNothing) {
  Type(Edit("Edit18"), "5");
  links->Sim().Faults().silentAfter = 0;
  Ticks(2);
  ASSERT_FALSE(form->Shell().fw_state.connected);
  links->Sim().ClearRecord();
  QTest::keyClick(Edit("Edit18"), Qt::Key_Return);
  EXPECT_THAT(TakeBusWrites(), ElementsAre());
}

struct TLoopbackCase {
  const char* name;
  int pair;
  std::optional<int> low, high;
  bool harness;
  std::vector<std::pair<int, int>> crossed;  // on the wire 167630 -> 167602
  uint16_t openLines;
  const char* circles;
  std::vector<uint16_t> written;  // the output words the test writes, in order
};

void PrintTo(const TLoopbackCase& c, std::ostream* out) {
  *out << c.name;
}

class InOutLoopback : public InOutSheet, public testing::WithParamInterface<TLoopbackCase> {};

TEST_P(InOutLoopback, CirclesShowEachBitsResult) {
  const TLoopbackCase& c = GetParam();
  Harness().attached = c.harness;
  Harness().wires[0].swaps = c.crossed;
  Harness().wires[0].openLines = c.openLines;
  RunTest(c.pair, c.low, c.high);
  EXPECT_EQ(Circles(), c.circles);
  // Each tested word is written in one run of writes that ends with 0.
  std::vector<uint16_t> words;
  std::vector<TBusWrite> writes = TakeBusWrites();
  for (size_t k = 0; k < writes.size(); ++k) {
    if (words.empty() || words.back() != writes[k].address) words.push_back(writes[k].address);
    if (k + 1 == writes.size() || writes[k + 1].address != writes[k].address) {
      EXPECT_EQ(writes[k].value, 0u) << writes[k];
    }
  }
  EXPECT_EQ(words, c.written);
}

// 167630 is fed to 167602 and 167632 to 167604; inputs nobody drives read all ones.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Harness, InOutLoopback,
    testing::Values(
        TLoopbackCase{"AllGreen", 1, 0, 1, true, {}, 0,
                      "GGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGG", {0167630, 0167632}},
        TLoopbackCase{"NoHarnessAllRed", 1, 0, std::nullopt, false, {}, 0,
                      "RRRRRRRRRRRRRRRRWWWWWWWWWWWWWWWW", {0167630}},
        TLoopbackCase{"CrossedLines", 1, 0, std::nullopt, true, {{3, 5}}, 0,
                      "GGGRGRGGGGGGGGGGWWWWWWWWWWWWWWWW", {0167630}},
        // An open line reads 1 also when the other bits are tested: every bit fails.
        TLoopbackCase{"OpenLine", 1, 0, std::nullopt, true, {}, 1u << 15,
                      "RRRRRRRRRRRRRRRRWWWWWWWWWWWWWWWW", {0167630}},
        TLoopbackCase{"OnlyHighWordOfTheLastPair", 2, std::nullopt, 0, true, {}, 0,
                      "WWWWWWWWWWWWWWWWRRRRRRRRRRRRRRRR", {0167636}},
        TLoopbackCase{"NothingTicked", 1, std::nullopt, std::nullopt, true, {}, 0,
                      "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(InOutSheet, TestListsStartAsTheUserFindsThem) {
  auto* pairs = Find<QComboBox>("ComboBox9");
  ASSERT_EQ(pairs->count(), 3);
  EXPECT_EQ(pairs->currentText(), "167630-167632");
  EXPECT_EQ(pairs->itemText(2), "167634-167636");
  for (const char* name : {"ComboBox10", "ComboBox11"}) {
    auto* inputs = Find<QComboBox>(name);
    ASSERT_EQ(inputs->count(), 10);
    EXPECT_EQ(inputs->currentText(), "167602");
    EXPECT_EQ(inputs->itemText(9), "167624");
  }
  EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CheckBox2")->isChecked());
  EXPECT_EQ(Circles(), std::string(32, 'W'));
}

// The test runs on the window's thread with Timer1 off; its waits let the window paint, so the
// circles turn one by one while it runs, and Timer1 runs again afterwards.
class InOutLoopbackLive : public InOutSheet {
 protected:
  void SetUp() override {
    startTimer = true;
    InOutSheet::SetUp();
  }
};

TEST_F(InOutLoopbackLive, TimerIsOffWhileCirclesTurnOneByOne) {
  auto* timer1 = Find<QTimer>("Timer1");
  ASSERT_TRUE(timer1->isActive());
  std::vector<int> decided;  // circles decided, sampled while the test runs
  bool timerRan = false;
  QTimer sampler;
  sampler.setInterval(0);
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    timerRan |= timer1->isActive();
    const std::string circles = Circles();
    decided.push_back(
        static_cast<int>(16 - std::count(circles.begin(), circles.begin() + 16, 'W')));
  });
  sampler.start();
  RunTest(1, 0, std::nullopt);
  sampler.stop();
  EXPECT_TRUE(timer1->isActive());
  EXPECT_FALSE(timerRan);
  EXPECT_EQ(Circles().substr(0, 16), std::string(16, 'G'));
  // Painted as decided: the samples saw every count from none to all.
  ASSERT_FALSE(decided.empty());
  EXPECT_EQ(decided.front(), 0);
  EXPECT_TRUE(std::is_sorted(decided.begin(), decided.end()));
  for (int n = 0; n < 16; ++n)
    EXPECT_NE(std::find(decided.begin(), decided.end(), n), decided.end()) << n;
}

}  // namespace
}  // namespace karvelm
