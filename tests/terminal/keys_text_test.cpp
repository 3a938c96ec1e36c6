#include "terminal/keys_text.h"
#include "test_names.h"

#include <gtest/gtest.h>
#include <ostream>

namespace karvelm {
namespace {

// The codes a text sends, through the key table.
std::vector<uint8_t> Codes(const TKeysText& parsed) {
  std::vector<uint8_t> codes;
  for (const TKeyStroke& stroke : parsed.strokes) codes.push_back(TerminalKeyCode(stroke));
  return codes;
}

struct TTextCase {
  std::string_view text;
  std::vector<uint8_t> codes;
};

void PrintTo(const TTextCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::string(c.text));
}

class KeysTextAccepted : public ::testing::TestWithParam<TTextCase> {};

TEST_P(KeysTextAccepted, EachCharacterIsOneKeyOfTheTable) {
  const TKeysText parsed = ParseKeysText(GetParam().text);
  ASSERT_TRUE(parsed.ok) << parsed.badChar;
  EXPECT_EQ(Codes(parsed), GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KeysTextAccepted,
    ::testing::Values(TTextCase{"", {}}, TTextCase{"hello\n", {0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x0A}},
                      TTextCase{"aZ09", {0x41, 0x5A, 0x30, 0x39}},
                      TTextCase{"/+=-\\", {0xAF, 0x2B, 0x2B, 0x2D, 0x8D}},
                      TTextCase{"A\bB", {0x41, 0x7F, 0x42}},
                      TTextCase{"{F1}{F4}{F10}", {0x12, 0x3B, 0x93}},
                      TTextCase{"{F1}0", {0x12, 0x30}}));

TEST(KeysText, FunctionKeysAreCtrlStrokes) {
  const TKeysText parsed = ParseKeysText("{F10}{F2}");
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.strokes, (std::vector<TKeyStroke>{{tkF10, tmCtrl}, {tkF2, tmCtrl}}));
}

struct TBadCase {
  std::string_view text;
  std::string_view bad;
  size_t offset;
};

void PrintTo(const TBadCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::string(c.text)) << ": "
      << ::testing::PrintToString(std::string(c.bad)) << " at " << c.offset;
}

class KeysTextRejected : public ::testing::TestWithParam<TBadCase> {};

TEST_P(KeysTextRejected, NamesTheFirstCharacterOutsideTheTableAndSendsNothing) {
  const TKeysText parsed = ParseKeysText(GetParam().text);
  EXPECT_FALSE(parsed.ok);
  EXPECT_TRUE(parsed.strokes.empty());
  EXPECT_EQ(parsed.badChar, GetParam().bad);
  EXPECT_EQ(parsed.badOffset, GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Texts, KeysTextRejected,
                         ::testing::Values(TBadCase{" ", " ", 0}, TBadCase{"AB!C", "!", 2},
                                           TBadCase{"A\r", "\r", 1}, TBadCase{"\t", "\t", 0},
                                           TBadCase{"OK{F11}", "{", 2}, TBadCase{"{F0}", "{", 0},
                                           TBadCase{"{f1}", "{", 0}, TBadCase{"{F1", "{", 0},
                                           TBadCase{"1Жx", "Ж", 1}, TBadCase{"A\xFF", "\xFF", 1},
                                           TBadCase{"\xD0", "\xD0", 0}),
                         [](const auto& info) { return NamePart(info.param.text); });

TEST(KeysText, DescribesTheRejectedCharacterReadably) {
  EXPECT_EQ(DescribeKeysChar("!"), "\"!\"");
  EXPECT_EQ(DescribeKeysChar("\r"), "U+000D");
  EXPECT_EQ(DescribeKeysChar("\x7F"), "U+007F");
  EXPECT_EQ(DescribeKeysChar("Ж"), "\"Ж\" (U+0416)");
  EXPECT_EQ(DescribeKeysChar("\xFF"), "0xFF");
}

}  // namespace
}  // namespace karvelm
