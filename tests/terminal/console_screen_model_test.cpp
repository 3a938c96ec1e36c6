#include "terminal/console_screen_model.h"

#include <gtest/gtest.h>

#include "terminal/keys_text.h"
#include "terminal/terminal_screen.h"

namespace karvelm {
namespace {

// The lines the terminal page would show for the model's screen and mode word.
std::array<std::u16string, kTerminalLines> Shown(const TConsoleScreenModel& model) {
  TTerminalScreen screen;
  screen.terminal_screen = model.Screen();
  screen.BOSI_RS = model.ModeWord();
  return screen.RenderTerminal(true).lines;
}

std::u16string Padded(std::u16string text) {
  text.resize(kTerminalColumns, u' ');
  return text;
}

// Types text as `keys` would: through the key table to the keyboard register.
void Type(TConsoleScreenModel& model, std::string_view text) {
  const TKeysText parsed = ParseKeysText(text);
  ASSERT_TRUE(parsed.ok) << parsed.badChar;
  for (const TKeyStroke& stroke : parsed.strokes) model.Key(TerminalKeyCode(stroke));
}

TEST(ConsoleScreenModel, BootsWithTheBannerInKoi7AndAPrompt) {
  TConsoleScreenModel model;
  EXPECT_EQ(model.Screen()[0], 0x6D) << "М as its KOI-7 code";
  const auto lines = Shown(model);
  EXPECT_EQ(lines[0], Padded(u"МОДУЛЬ KARVELM"));
  EXPECT_EQ(lines[1], Padded(u"МОНИТОР КОНСОЛИ"));
  EXPECT_EQ(lines[2], Padded(u"> "));
  for (int i = 3; i < kTerminalLines; ++i) EXPECT_EQ(lines[i], Padded(u"")) << i;
  EXPECT_EQ(model.CursorRow(), 2);
  EXPECT_EQ(model.CursorColumn(), 2);
}

struct TTypingCase {
  std::string keys;
  std::u16string line2;
  std::u16string line3;
};

void PrintTo(const TTypingCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.keys);
}

class ConsoleTyping : public ::testing::TestWithParam<TTypingCase> {};

TEST_P(ConsoleTyping, EchoesAndEditsTheInputLine) {
  TConsoleScreenModel model;
  Type(model, GetParam().keys);
  const auto lines = Shown(model);
  EXPECT_EQ(lines[2], Padded(GetParam().line2));
  EXPECT_EQ(lines[3], Padded(GetParam().line3));
  EXPECT_EQ(lines[1], Padded(u"МОНИТОР КОНСОЛИ")) << "nothing above the input changes";
}

const std::string k31(31, 'A');

INSTANTIATE_TEST_SUITE_P(
    Keys, ConsoleTyping,
    ::testing::Values(TTypingCase{"hello", u"> HELLO", u""},
                      TTypingCase{"HELLO\b\b", u"> HEL", u""}, TTypingCase{"\b\b\bA", u"> A", u""},
                      TTypingCase{"AB\nCD", u"> AB", u"> CD"}, TTypingCase{"A\\B", u"> A", u"> B"},
                      TTypingCase{"{F1}1{F10}+/-=", u"> 1+/-+", u""},
                      TTypingCase{k31, u"> " + std::u16string(30, u'A'), u"A"},
                      TTypingCase{k31 + "\b", u"> " + std::u16string(30, u'A'), u""},
                      TTypingCase{k31 + "\b\b", u"> " + std::u16string(29, u'A'), u""}));

TEST(ConsoleScreenModel, ShowsCyrillicCodesAndStopsAtTheInputLimit) {
  TConsoleScreenModel model;
  model.Key(0x60);
  model.Key(0xE1);  // bit 7 is not part of the key
  EXPECT_EQ(Shown(model)[2], Padded(u"> ЮА"));
  for (int i = 0; i < 200; ++i) model.Key('X');
  const auto lines = Shown(model);
  EXPECT_EQ(lines[4], Padded(std::u16string(TConsoleScreenModel::kMaxInput - 2 - 60, u'X')));
  EXPECT_EQ(lines[5], Padded(u""));
}

TEST(ConsoleScreenModel, ScrollsWhenEnterIsPressedOnTheLastLine) {
  TConsoleScreenModel model;
  // Prompts on lines 2..15 with A..N, then one Enter more.
  for (char c = 'A'; c <= 'N'; ++c) Type(model, std::string(1, c) + "\n");
  const auto lines = Shown(model);
  EXPECT_EQ(lines[0], Padded(u"МОНИТОР КОНСОЛИ"));
  EXPECT_EQ(lines[1], Padded(u"> A"));
  EXPECT_EQ(lines[14], Padded(u"> N"));
  EXPECT_EQ(lines[15], Padded(u"> "));
  EXPECT_EQ(model.CursorRow(), 15);
}

TEST(ConsoleScreenModel, EightLineModeKeepsTheCursorLineInView) {
  TConsoleScreenModel model;
  for (char c = 'A'; c <= 'J'; ++c) Type(model, std::string(1, c) + "\n");  // cursor on line 12
  ASSERT_EQ(model.CursorRow(), 12);
  model.SetEightLines(true);
  EXPECT_EQ(model.ModeWord() & kTerminalEightLines, kTerminalEightLines);
  EXPECT_EQ(model.CursorRow(), 7);
  auto lines = Shown(model);
  EXPECT_EQ(lines[6], Padded(u"> J"));
  EXPECT_EQ(lines[7], Padded(u"> "));
  for (int i = 8; i < kTerminalLines; ++i) EXPECT_TRUE(lines[i].empty()) << "not shown";
  for (int i = 256; i < kTerminalScreenSize; ++i) ASSERT_EQ(model.Screen()[i], 0x20);

  // Scrolling now stays within the eight lines.
  Type(model, "K\nL\n");
  lines = Shown(model);
  EXPECT_EQ(lines[5], Padded(u"> K"));
  EXPECT_EQ(lines[6], Padded(u"> L"));
  EXPECT_EQ(lines[7], Padded(u"> "));
  for (int i = 256; i < kTerminalScreenSize; ++i) ASSERT_EQ(model.Screen()[i], 0x20);

  model.SetEightLines(false);
  EXPECT_EQ(model.CursorRow(), 7);
  EXPECT_EQ(Shown(model)[8], Padded(u""));
}

TEST(ConsoleScreenModel, ServesTheScreenAndModeWordsOnTheBus) {
  TConsoleScreenModel model;
  uint16_t value = 0;
  ASSERT_TRUE(model.ReadWord(0xE200, value));  // 161000
  EXPECT_EQ(value, model.Screen()[0] | model.Screen()[1] << 8) << "low byte first";
  ASSERT_TRUE(model.WriteWord(0xE3FE, 0x4241));  // 161776, the last word
  EXPECT_EQ(model.Screen()[510], 0x41);
  EXPECT_EQ(model.Screen()[511], 0x42);
  ASSERT_TRUE(model.WriteWord(0xE1FE, 0x0002));  // 160776
  EXPECT_TRUE(model.EightLines());
  ASSERT_TRUE(model.ReadWord(0xE1FE, value));
  EXPECT_EQ(value, 0x0002);
  EXPECT_FALSE(model.ReadWord(0xE1FC, value));
  EXPECT_FALSE(model.ReadWord(0xE400, value));
  EXPECT_FALSE(model.WriteWord(0xE400, 0));
}

}  // namespace
}  // namespace karvelm
