#include "terminal/terminal_screen.h"

#include <gtest/gtest.h>
#include <ostream>

#include "fake_module_link.h"
#include "link/commands.h"
#include "link_state_scope.h"
#include "terminal/terminal_charset.h"
#include "test_names.h"

namespace karvelm {
namespace {

using fake::Bytes;
using fake::TFakeModuleLink;

struct TCharCase {
  uint8_t byte;
  char16_t shown;
};

void PrintTo(const TCharCase& c, std::ostream* os) {
  *os << "byte " << Hex(c.byte, 2) << " shows U+" << Hex(c.shown);
}

class Charset : public ::testing::TestWithParam<TCharCase> {};

TEST_P(Charset, ShowsTheByteMaskedToSevenBits) {
  const TCharCase c = GetParam();
  EXPECT_EQ(TerminalChar(c.byte), c.shown) << std::hex << int(c.byte);
  EXPECT_EQ(TerminalChar(c.byte ^ 0x80), c.shown) << "bit 7 is ignored";
}

INSTANTIATE_TEST_SUITE_P(
    SpecialAndBoundaryCodes, Charset,
    ::testing::Values(TCharCase{0xC1, u'A'}, TCharCase{0x60, u'Ю'}, TCharCase{0x7E, u'Ч'},
                      TCharCase{0x7F, u'|'}, TCharCase{0x00, u'?'}, TCharCase{0x01, u'?'},
                      TCharCase{0x1F, u'?'}, TCharCase{0x03, u'o'}, TCharCase{0x0A, u'\n'},
                      TCharCase{0x0D, u'\r'}, TCharCase{0x17, u'`'}, TCharCase{0x1B, u'<'},
                      TCharCase{0x1C, u'>'}, TCharCase{0x1E, u'o'}, TCharCase{0x20, u' '},
                      TCharCase{0x22, u'~'}, TCharCase{0x24, u'\u00A4'}, TCharCase{0x27, u'~'},
                      TCharCase{0x40, u'*'}, TCharCase{0x5C, u'|'}, TCharCase{0x5F, u'_'},
                      TCharCase{0x21, u'!'}, TCharCase{0x61, u'А'}, TCharCase{0x71, u'Я'},
                      TCharCase{0x77, u'В'}, TCharCase{0x7D, u'Щ'}),
    [](const auto& info) { return "Byte" + Hex(info.param.byte, 2); });

TEST(CharsetTable, KeepsAsciiAndMapsTheUpperRangeToCyrillicCapitals) {
  const std::u16string_view changed = u"\x22\x24\x27\x40\x5C";
  for (int code = 0x20; code < 0x60; ++code)
    if (changed.find(static_cast<char16_t>(code)) == changed.npos) {
      EXPECT_EQ(TerminalCharset[code], code) << std::hex << code;
    }
  std::u16string seen;
  for (int code = 0x60; code < 0x7F; ++code) {
    const char16_t c = TerminalCharset[code];
    EXPECT_TRUE(c >= u'А' && c <= u'Я') << std::hex << code;
    EXPECT_EQ(seen.find(c), seen.npos) << "each capital once";
    seen += c;
  }
  EXPECT_EQ(seen.find(u'Ъ'), seen.npos) << "KOI-7 N2 has no hard sign in this range";
}

TEST(CharsetText, EncodesDisplayTextAsUtf8) {
  EXPECT_EQ(TerminalUtf8(u"A¤Ю\u240A"), "A\xC2\xA4\xD0\xAE\xE2\x90\x8A");
}

// Screen bytes from a text line by line (ASCII only); the rest of each line is spaces.
void PutLine(TTerminalScreen& screen, int line, std::string_view text) {
  for (int i = 0; i < kTerminalColumns; ++i)
    screen.terminal_screen[kTerminalColumns * line + i] =
        i < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[i]) : 0x20;
}

std::u16string Padded(std::u16string text) {
  text.resize(kTerminalColumns, u' ');
  return text;
}

TEST(TerminalRender, LinesAreExactlyThirtyTwoCharactersWithTrailingSpaces) {
  TTerminalScreen screen;
  for (int i = 0; i < kTerminalLines; ++i) PutLine(screen, i, "");
  PutLine(screen, 0, "READY");
  PutLine(screen, 15, "0123456789ABCDEFGHIJKLMNOPQRSTUV");
  const TTerminalView view = screen.RenderTerminal(true);
  ASSERT_EQ(view.lineCount, 16);
  for (const std::u16string& line : view.lines) EXPECT_EQ(line.size(), 32u);
  EXPECT_EQ(view.lines[0], Padded(u"READY"));
  EXPECT_EQ(view.lines[1], Padded(u""));
  EXPECT_EQ(view.lines[15], u"0123456789ABCDEFGHIJKLMNOPQRSTUV");
  EXPECT_EQ(view.Utf8Lines()[0], "READY" + std::string(27, ' '));
}

TEST(TerminalRender, DrawsLineFeedAndReturnAsOneMarkEach) {
  TTerminalScreen screen;
  PutLine(screen, 2, "AB\nC\rD");
  screen.terminal_screen[kTerminalColumns * 2 + 31] = 0x8A;  // line feed with bit 7
  const std::u16string line = screen.RenderTerminal(true).lines[2];
  ASSERT_EQ(line.size(), 32u);
  EXPECT_EQ(line.substr(0, 6), u"AB\u240AC\u240DD");
  EXPECT_EQ(line[31], u'\u240A');
  EXPECT_EQ(line.find_first_of(u"\r\n"), line.npos);
}

struct TModeCase {
  uint16_t bosi;
  int lines;
};

void PrintTo(const TModeCase& c, std::ostream* os) {
  *os << "mode " << Hex(c.bosi) << ", " << c.lines << " lines";
}

class TerminalMode : public ::testing::TestWithParam<TModeCase> {};

TEST_P(TerminalMode, BitOneChoosesEightLinesAndBlanksTheRest) {
  TTerminalScreen screen;
  for (int i = 0; i < kTerminalScreenSize; ++i)
    screen.terminal_screen[i] = static_cast<uint8_t>('A' + i / kTerminalColumns);
  screen.BOSI_RS = GetParam().bosi;
  const TTerminalView view = screen.RenderTerminal(true);
  EXPECT_EQ(view.lineCount, GetParam().lines);
  EXPECT_EQ(view.mode, GetParam().bosi);
  for (int i = 0; i < kTerminalLines; ++i) {
    if (i < GetParam().lines) {
      EXPECT_EQ(view.lines[i], std::u16string(32, static_cast<char16_t>('A' + i))) << i;
    } else {
      EXPECT_TRUE(view.lines[i].empty()) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ModeWord, TerminalMode,
                         ::testing::Values(TModeCase{0, 16}, TModeCase{1, 16}, TModeCase{2, 8},
                                           TModeCase{3, 8}, TModeCase{0xFFFD, 16},
                                           TModeCase{0xFFFF, 8}),
                         [](const auto& info) { return "Mode" + Hex(info.param.bosi); });

// The screen as a module holds it: 512 bytes, then the mode word.
Bytes ScreenBytes(uint8_t seed) {
  Bytes bytes(kTerminalScreenSize);
  for (int i = 0; i < kTerminalScreenSize; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 3);
  return bytes;
}

class TerminalRead : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override { module = fake::OpenFakeLink(GetParam()); }
  // Answers the eight blocks from bytes and the mode word; fail[k] answers read k with a
  // failure status (framed kinds).
  void AnswerScreen(const Bytes& bytes, uint16_t mode, std::array<bool, 9> fail = {}) {
    for (int k = 0; k < kTerminalBlocks; ++k)
      module->Answer(Bytes(bytes.begin() + 64 * k, bytes.begin() + 64 * (k + 1)),
                     fail[k] ? kStatusFailure : 0);
    module->Answer({static_cast<uint8_t>(mode), static_cast<uint8_t>(mode >> 8)},
                   fail[8] ? kStatusFailure : 0);
  }
  TLinkStateScope linkState;
  TFakeModuleLink* module = nullptr;
};

TEST_P(TerminalRead, NineReadsInOrderFillTheScreenAndTheModeWord) {
  TTerminalScreen screen;
  const Bytes bytes = ScreenBytes(7);
  AnswerScreen(bytes, 0x0002);
  EXPECT_TRUE(screen.ReadTerminalScreen().Complete());
  ASSERT_EQ(module->Commands(), std::vector<uint8_t>(9, cmdReadBus));
  for (int k = 0; k < 9; ++k) {
    const uint16_t address = k < 8 ? 0xE200 + 0x40 * k : 0xE1FE;
    const uint8_t count = k < 8 ? 32 : 1;
    EXPECT_EQ(module->PayloadOf(k, 12),
              (Bytes{static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), 0, 0, count,
                     0, 0, 0, count, 0, 0, 0}))
        << "read " << k;
    if (GetParam() != itHID_OLD) {
      EXPECT_EQ(module->Sent(k).payload.size(), 12u);
    }
  }
  ASSERT_EQ(module->reads.size(), 9u);
  for (const auto& read : module->reads) EXPECT_EQ(read.timeout, kTimeoutDefault);
  EXPECT_EQ(Bytes(screen.terminal_screen.begin(), screen.terminal_screen.end()), bytes);
  EXPECT_EQ(screen.BOSI_RS, 0x0002);
  EXPECT_EQ(screen.RenderTerminal(true).lineCount, 8);
}

TEST_P(TerminalRead, ReadsThatTimeOutKeepTheirOldBytes) {
  TTerminalScreen screen;
  const Bytes old = ScreenBytes(1);
  std::copy(old.begin(), old.end(), screen.terminal_screen.begin());
  screen.BOSI_RS = 0x0002;
  // Blocks 0..5 answer; blocks 6, 7 and the mode word time out.
  const Bytes fresh = ScreenBytes(100);
  for (int k = 0; k < 6; ++k)
    module->Answer(Bytes(fresh.begin() + 64 * k, fresh.begin() + 64 * (k + 1)));
  const TTerminalRead read = screen.ReadTerminalScreen();
  EXPECT_FALSE(read.Complete());
  EXPECT_EQ(read.blocks, (std::array<bool, 8>{true, true, true, true, true, true, false, false}));
  EXPECT_FALSE(read.mode);
  EXPECT_EQ(module->Commands().size(), 9u) << "a failed read does not stop the others";
  EXPECT_TRUE(std::equal(fresh.begin(), fresh.begin() + 384, screen.terminal_screen.begin()));
  EXPECT_TRUE(std::equal(old.begin() + 384, old.end(), screen.terminal_screen.begin() + 384));
  EXPECT_EQ(screen.BOSI_RS, 0x0002);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, TerminalRead, ::testing::Values(itHID_OLD, itHID_NEW, itUDP));

class FramedTerminalRead : public TerminalRead {};

TEST_P(FramedTerminalRead, ARefusedReadInTheMiddleKeepsOnlyItsPart) {
  TTerminalScreen screen;
  const Bytes old = ScreenBytes(1);
  std::copy(old.begin(), old.end(), screen.terminal_screen.begin());
  screen.BOSI_RS = 0x1234;
  const Bytes fresh = ScreenBytes(100);
  AnswerScreen(fresh, 0x0002, {false, false, false, true, false, false, false, false, true});
  const TTerminalRead read = screen.ReadTerminalScreen();
  EXPECT_EQ(read.blocks, (std::array<bool, 8>{true, true, true, false, true, true, true, true}));
  EXPECT_FALSE(read.mode);
  for (int i = 0; i < kTerminalScreenSize; ++i)
    ASSERT_EQ(screen.terminal_screen[i], (i / 64 == 3 ? old : fresh)[i]) << "byte " << i;
  EXPECT_EQ(screen.BOSI_RS, 0x1234);
}

INSTANTIATE_TEST_SUITE_P(Framed, FramedTerminalRead, ::testing::Values(itHID_NEW, itUDP));

TEST_P(TerminalRead, NotConnectedShowsTheTextAndTheScreenReturnsOnReconnection) {
  TTerminalScreen screen;
  Bytes bytes(kTerminalScreenSize, 0x20);
  std::copy_n("HELLO", 5, bytes.begin() + 32);
  AnswerScreen(bytes, 0);
  screen.ReadTerminalScreen();
  EXPECT_EQ(screen.RenderTerminal(true).lines[1], Padded(u"HELLO"));

  const TTerminalView lost = screen.RenderTerminal(false);
  EXPECT_FALSE(lost.connected);
  EXPECT_EQ(lost.lines[0], u"Модуль KarvelM не подключен");
  for (int i = 1; i < kTerminalLines; ++i) EXPECT_TRUE(lost.lines[i].empty()) << i;

  std::copy_n("AGAIN", 5, bytes.begin() + 32);
  AnswerScreen(bytes, 0);
  screen.ReadTerminalScreen();
  const TTerminalView back = screen.RenderTerminal(true);
  EXPECT_EQ(back.lines[0], std::u16string(32, u' '));
  EXPECT_EQ(back.lines[1], Padded(u"AGAIN"));
}

}  // namespace
}  // namespace karvelm
