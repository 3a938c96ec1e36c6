#include "base/octal_text.h"

#include <gtest/gtest.h>

namespace karvelm {
namespace {

TEST(OctalText, ToWord) {
  struct Case {
    const char* text;
    std::optional<uint16_t> loose;
    std::optional<uint16_t> strict;
  } cases[] = {
      {"167602", 0xEF82, 0xEF82}, {"177777", 0xFFFF, 0xFFFF}, {"0", 0, 0},
      {"200000", 0, std::nullopt}, {"1000001", 1, std::nullopt}, {"", std::nullopt, std::nullopt},
      {"8", std::nullopt, std::nullopt}, {" 7", std::nullopt, std::nullopt},
      {"-1", std::nullopt, std::nullopt}, {"00000000017", 017, 017},
      {"17", 15, 15}, {"18", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TryOctalToWord(c.text), c.loose) << c.text;
    EXPECT_EQ(ParseOctalWordStrict(c.text), c.strict) << c.text;
  }
  EXPECT_THROW(OctalToWord("9"), TConvertError);
  EXPECT_THROW(
      {
        try {
          OctalToWord("");
        } catch (const TConvertError& error) {
          EXPECT_STREQ(error.what(), "Ошибка преобразования");
          throw;
        }
      },
      TConvertError);
}

TEST(OctalText, FromWord) {
  EXPECT_EQ(WordToOctal(0), "0");
  EXPECT_EQ(WordToOctal(0xFFFF), "177777");
  EXPECT_EQ(WordToOctal(0xEF82), "167602");
  EXPECT_EQ(WordToOctal(010), "10");
  EXPECT_EQ(WordToBits(0x8001), "1000000000000001");
  for (uint32_t v = 0; v <= 0xFFFF; v += 7)
    ASSERT_EQ(OctalToWord(WordToOctal(static_cast<uint16_t>(v))), v);
}

}  // namespace
}  // namespace karvelm
