// The terminal page in the real main window offscreen, on the in-process simulator's console
// monitor: the screen mirrored on the tick, keys typed in Memo1 sent to the module, the
// not-connected screen, the user's selection across a refresh, and Qt's keys as the table's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "link/commands.h"
#include "main_form_fixture.h"
#include "sim/sim_transport.h"
#include "sim_violations.h"
#include "terminal/ui/terminal_key_map.h"

namespace karvelm {
namespace {

class TerminalPage : public MainFormFixture {
 protected:
  // The simulated module on Ethernet, running its firmware, with the terminal page in view
  // and read once.
  void StartOnTerminal() {
    WriteSettings("[Settings]\ninterface=2\ndisable_select_dialog=1\n");
    Start();
    Ticks(2);
    ASSERT_TRUE(form->Shell().fw_state.connected);
    Pages()->setCurrentWidget(Find<QWidget>("TabSheet3"));
    ASSERT_TRUE(form->Shell().terminal_mode);
    memo = Find<QPlainTextEdit>("Memo1");
    Tick();
  }
  void TearDown() override {
    if (links) ExpectNoViolations(links->Sim());
    MainFormFixture::TearDown();
  }

  QString Line(int i) { return memo->document()->findBlockByNumber(i).text(); }
  // A display line as the page pads it: the text, then spaces up to 32 cells.
  static QString Padded(const char* utf8) { return QString::fromUtf8(utf8).leftJustified(32); }
  void Plug(bool plugged) {
    static_cast<TSimTransport&>(ActiveLink->Transport()).SetPlugged(plugged);
  }

  // The codes written to the console keyboard register since the last call.
  std::vector<uint8_t> TakeKeys() {
    std::vector<uint8_t> keys;
    for (const auto& request : links->Sim().Requests()) {
      if (request.code != cmdWriteBus) continue;
      EXPECT_EQ(request.payload.size(), 12u);
      if (request.payload.size() >= 5) keys.push_back(request.payload[4]);
    }
    links->Sim().ClearRecord();
    return keys;
  }

  QPlainTextEdit* memo = nullptr;
};

TEST_F(TerminalPage, BoxIsSixteenFixedPitchLinesThatFitItsSize) {
  StartOnTerminal();
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->size(), QSize(435, 385));
  EXPECT_EQ(memo->cursorWidth(), 0);
  const QFontInfo face(memo->font());
  EXPECT_TRUE(face.fixedPitch()) << face.family().toStdString();
  EXPECT_TRUE(memo->font().bold());
  const QFontMetrics metrics(memo->font());
  EXPECT_EQ(metrics.height(), 24);
  // Every cell of the screen is in view, without scrolling.
  EXPECT_LE(16 * metrics.lineSpacing(), memo->viewport()->height());
  EXPECT_LE(metrics.horizontalAdvance(QString(32, QChar(0x0429))), memo->viewport()->width());
  form->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0);
  // Sixteen lines at creation and after any number of refreshes.
  for (int i = 0; i < 3; ++i) {
    links->Sim().Console().Key('A');
    Tick();
    EXPECT_EQ(memo->document()->blockCount(), 16);
  }
  EXPECT_FALSE(memo->document()->isUndoAvailable());
  EXPECT_EQ(form->focusWidget(), memo);
}

TEST_F(TerminalPage, TypedKeysReachTheModuleAndShowOnTheNextTick) {
  StartOnTerminal();
  EXPECT_EQ(Line(0), Padded("МОДУЛЬ KARVELM"));
  EXPECT_EQ(Line(1), Padded("МОНИТОР КОНСОЛИ"));
  EXPECT_EQ(Line(2), Padded(">"));
  for (int i = 3; i < 16; ++i) EXPECT_EQ(Line(i), Padded("")) << i;

  TakeKeys();
  QTest::keyClicks(memo, "ab1");
  QTest::keyClick(memo, Qt::Key_7, Qt::KeypadModifier);
  QTest::keyClick(memo, Qt::Key_Minus, Qt::KeypadModifier);
  QTest::keyClick(memo, Qt::Key_Space);  // sends nothing
  EXPECT_THAT(TakeKeys(), testing::ElementsAre(0x41, 0x42, 0x31, 0x37, 0x2D));
  // A mirror: nothing of it is drawn before the module's screen is read again.
  EXPECT_EQ(Line(2), Padded(">"));
  Tick();
  EXPECT_EQ(Line(2), Padded("> AB17-"));

  QTest::keyClick(memo, Qt::Key_Backspace);
  QTest::keyClick(memo, Qt::Key_Return);
  EXPECT_THAT(TakeKeys(), testing::ElementsAre(0x7F, 0x0A));
  Tick();
  EXPECT_EQ(Line(2), Padded("> AB17"));
  EXPECT_EQ(Line(3).left(1), ">");
}

TEST_F(TerminalPage, FunctionKeysOnlyWithExactlyCtrl) {
  StartOnTerminal();
  TakeKeys();
  QTest::keyClick(memo, Qt::Key_F10);
  QTest::keyClick(memo, Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(memo, Qt::Key_F4, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_THAT(TakeKeys(), testing::IsEmpty());
  QTest::keyClick(memo, Qt::Key_F10, Qt::ControlModifier);
  QTest::keyClick(memo, Qt::Key_F4, Qt::ControlModifier);
  EXPECT_THAT(TakeKeys(), testing::ElementsAre(0x93, 0x3B));
}

TEST_F(TerminalPage, EightLineModeShowsTheFirstHalf) {
  StartOnTerminal();
  links->Sim().Console().SetEightLines(true);
  for (int i = 0; i < 12; ++i) links->Sim().Console().Key('\n');
  Tick();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Line(i).size(), 32) << i;
  EXPECT_EQ(Line(7).left(1), ">");
  for (int i = 8; i < 16; ++i) EXPECT_EQ(Line(i), "") << i;
  links->Sim().Console().SetEightLines(false);
  Tick();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Line(i).size(), 32) << i;
}

TEST_F(TerminalPage, NotConnectedScreenThenTheScreenComesBack) {
  StartOnTerminal();
  Plug(false);
  Ticks(2);  // the next firmware probe finds nothing
  ASSERT_FALSE(form->Shell().fw_state.connected);
  EXPECT_EQ(Line(0), QString::fromUtf8("МОДУЛЬ KARVELM НЕ ПОДКЛЮЧЕН"));  // an upper-case box
  for (int i = 1; i < 16; ++i) EXPECT_EQ(Line(i), "") << i;
  EXPECT_EQ(memo->document()->blockCount(), 16);
  // Keys go nowhere while the module is away.
  links->Sim().ClearRecord();
  QTest::keyClick(memo, Qt::Key_A);
  EXPECT_THAT(TakeCodes(), testing::IsEmpty());

  links->Sim().Console().Key('Z');
  Plug(true);
  Ticks(2);
  ASSERT_TRUE(form->Shell().fw_state.connected);
  EXPECT_EQ(Line(0), Padded("МОДУЛЬ KARVELM"));
  EXPECT_EQ(Line(2), Padded("> Z"));
}

TEST_F(TerminalPage, UserSelectionSurvivesARefresh) {
  StartOnTerminal();
  // Selected backwards, over the end of line 1 and the start of line 2: it comes back as
  // start and length.
  const int start = memo->document()->findBlockByNumber(1).position() + 28;
  const auto select = [&] {
    QTextCursor cursor(memo->document());
    cursor.setPosition(start + 8);
    cursor.setPosition(start, QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor);
  };
  select();
  links->Sim().Console().Key('Q');  // line 2 changes
  Tick();
  ASSERT_EQ(Line(2), Padded("> Q"));
  EXPECT_EQ(memo->textCursor().selectionStart(), start);
  EXPECT_EQ(memo->textCursor().selectionEnd(), start + 8);
  EXPECT_EQ(memo->textCursor().selectedText().right(3), "> Q");

  // The not-connected screen is shorter: the selection keeps what still exists.
  Plug(false);
  Ticks(2);
  EXPECT_LE(memo->textCursor().selectionEnd(), memo->document()->characterCount() - 1);

  // A key press drops the selection, keeping its start.
  Plug(true);
  Ticks(2);
  select();
  QTest::keyClick(memo, Qt::Key_Shift);
  EXPECT_FALSE(memo->textCursor().hasSelection());
  EXPECT_EQ(memo->textCursor().position(), start);
}

// Qt's keys where they are not the table's own keys one to one; the table itself is the core's.
struct TQtKeyCase {
  const char* name;
  int key;
  Qt::KeyboardModifiers modifiers;
  uint8_t code;
};

class QtKeys : public testing::TestWithParam<TQtKeyCase> {};

TEST_P(QtKeys, SendTheTableCode) {
  const TQtKeyCase& c = GetParam();
  EXPECT_EQ(TerminalKeyCode(TerminalKeyStroke(c.key, c.modifiers)), c.code);
}

constexpr auto kNone = Qt::NoModifier;
constexpr auto kPad = Qt::KeypadModifier;
constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kCtrl = Qt::ControlModifier;

INSTANTIATE_TEST_SUITE_P(Cases, QtKeys,
                         testing::Values(TQtKeyCase{"Pad7", Qt::Key_7, kPad, 0x37},
                                         TQtKeyCase{"Pad0", Qt::Key_0, kPad, 0x30},
                                         TQtKeyCase{"PadDivide", Qt::Key_Slash, kPad, 0xAF},
                                         TQtKeyCase{"PadAdd", Qt::Key_Plus, kPad, 0x2B},
                                         TQtKeyCase{"PadSubtract", Qt::Key_Minus, kPad, 0x2D},
                                         TQtKeyCase{"PadMultiply", Qt::Key_Asterisk, kPad, 0},
                                         TQtKeyCase{"PadHomeNumLockOff", Qt::Key_Home, kPad, 0},
                                         TQtKeyCase{"PadEnter", Qt::Key_Enter, kPad, 0x0A},
                                         TQtKeyCase{"Return", Qt::Key_Return, kNone, 0x0A},
                                         TQtKeyCase{"ShiftA", Qt::Key_A, kShift, 0x41},
                                         TQtKeyCase{"CtrlA", Qt::Key_A, kCtrl, 0x41},
                                         TQtKeyCase{"ShiftOneIsOne", Qt::Key_Exclam, kShift, 0x31},
                                         TQtKeyCase{"ShiftEightIsEight", Qt::Key_Asterisk, kShift,
                                                    0x38},
                                         TQtKeyCase{"ShiftEqualIsPlus", Qt::Key_Plus, kShift, 0x2B},
                                         TQtKeyCase{"ShiftSlash", Qt::Key_Question, kShift, 0xAF},
                                         TQtKeyCase{"ShiftMinus", Qt::Key_Underscore, kShift, 0x2D},
                                         TQtKeyCase{"ShiftBackslash", Qt::Key_Bar, kShift, 0x8D},
                                         TQtKeyCase{"Backslash", Qt::Key_Backslash, kNone, 0x8D},
                                         TQtKeyCase{"RussianEfIsA", 0x0424, kNone, 0x41},
                                         TQtKeyCase{"RussianYaIsZ", 0x042F, kShift, 0x5A},
                                         TQtKeyCase{"RussianHaHasNoLetterKey", 0x0425, kNone, 0},
                                         TQtKeyCase{"F10Alone", Qt::Key_F10, kNone, 0},
                                         TQtKeyCase{"CtrlF10", Qt::Key_F10, kCtrl, 0x93},
                                         TQtKeyCase{"CtrlShiftF1", Qt::Key_F1, kCtrl | kShift, 0},
                                         TQtKeyCase{"CtrlF11", Qt::Key_F11, kCtrl, 0},
                                         TQtKeyCase{"Space", Qt::Key_Space, kNone, 0},
                                         TQtKeyCase{"Period", Qt::Key_Period, kNone, 0},
                                         TQtKeyCase{"ShiftAlone", Qt::Key_Shift, kShift, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvelm
