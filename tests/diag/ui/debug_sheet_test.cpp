// The service-mode debug page on the main window: its fourteen labels, and clicks that write
// an input word back with one bit inverted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>

#include "base/octal_text.h"
#include "diag/debug_view.h"
#include "diag_pages_fixture.h"

namespace karvelm {
namespace {

using testing::ElementsAre;

class DebugSheet : public DiagPagesFixture {
 protected:
  void SetUp() override {
    DiagPagesFixture::SetUp();
    Open({"-s"});
    DetachHarness();
    ShowMainPage(mpDebug);
    ASSERT_TRUE(form->Shell().debug_screen);
  }
  QLabel* Label(const char* name) { return Find<QLabel>(name); }
  void Click(const char* name, int x, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(Label(name), button, {}, QPoint(x, 4));
    QTest::mouseRelease(Label(name), button, {}, QPoint(x, 4));
  }
  // A tick reads the words the clicks start from.
  void ReadWord(uint16_t address, uint16_t value) {
    links->Sim().Bus().Poke(address, value);
    Tick();
    links->Sim().ClearRecord();
  }
};

TEST_F(DebugSheet, TabOnlyInServiceModeAndLabelsShowTheirWords) {
  EXPECT_TRUE(Pages()->isTabVisible(mpDebug));
  for (const TDebugLabel& label : kDebugLabels)
    links->Sim().Bus().Poke(label.address, static_cast<uint16_t>(0x0100 + label.address));
  Tick();
  for (const TDebugLabel& label : kDebugLabels) {
    SCOPED_TRACE(label.name);
    EXPECT_EQ(Text(label.name).toStdString(),
              WordToBits(static_cast<uint16_t>(0x0100 + label.address)));
    if (label.input) {
      EXPECT_EQ(Label(label.name)->width(), 132);
      EXPECT_EQ(Label(label.name)->property("Tag").toInt(), label.word);
    }
  }
}

TEST_F(DebugSheet, ClickInvertsTheBitUnderTheMouse) {
  const struct {
    const char* label;
    int x;
    Qt::MouseButton button;
    uint16_t word;
    TBusWrite written;
  } cases[] = {
      {"StaticText258", 0, Qt::LeftButton, 0x0000, {0167602, 0x8000}},     // leftmost character
      {"StaticText258", 127, Qt::RightButton, 0x0000, {0167602, 0x0001}},  // rightmost
      {"StaticText258", 8, Qt::MiddleButton, 0xFFFF, {0167602, 0xBFFF}},
      {"StaticText258", 128, Qt::LeftButton, 0x1234, {0167602, 0x1234}},  // past the 16th cell
      {"StaticText229", 60, Qt::LeftButton, 0x0000, {0167624, 0x0100}},   // Tag 9, bit 8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.label) + " x " + std::to_string(c.x));
    ReadWord(c.written.address, c.word);
    Click(c.label, c.x, c.button);
    EXPECT_THAT(TakeBusWrites(), ElementsAre(c.written));
    // The label waits for the next tick's read.
    EXPECT_EQ(Text(c.label).toStdString(), WordToBits(c.word));
    Tick();
    EXPECT_EQ(Text(c.label).toStdString(), WordToBits(static_cast<uint16_t>(c.written.value)));
  }
}

TEST_F(DebugSheet, SecondClickInOneTickStartsFromTheLastRead) {
  ReadWord(0167602, 0x0000);
  Click("StaticText258", 0);
  Click("StaticText258", 127);
  EXPECT_THAT(TakeBusWrites(), ElementsAre(TBusWrite{0167602, 0x8000}, TBusWrite{0167602, 0x0001}));
  Tick();
  EXPECT_EQ(Text("StaticText258"), "0000000000000001");
}

TEST_F(DebugSheet, ClickWithTheModuleAwayWritesNothing) {
  links->Sim().Faults().silentAfter = 0;
  Ticks(2);
  ASSERT_FALSE(form->Shell().fw_state.connected);
  links->Sim().Faults().silentAfter = kSimAlways;
  links->Sim().ClearRecord();
  Click("StaticText258", 0);
  EXPECT_TRUE(links->Sim().Requests().empty());
}

}  // namespace
}  // namespace karvelm
