#include "config/koi7.h"

#include <gtest/gtest.h>

#include "config/config_fields.h"
#include "config_test_util.h"

namespace karvelm {
namespace {

using testing::BlankImage;

TEST(Koi7, CapitalsMapBothWays) {
  // Windows-1251 А..Я (0xC0..0xDF) and their stored codes.
  const uint8_t stored[32] = {0x61, 0x62, 0x77, 0x67, 0x64, 0x65, 0x76, 0x7A, 0x69, 0x6A, 0x6B,
                              0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x72, 0x73, 0x74, 0x75, 0x66, 0x68,
                              0x63, 0x7E, 0x7B, 0x7D, 0x17, 0x79, 0x78, 0x7C, 0x60, 0x71};
  for (int i = 0; i < 32; ++i) {
    const uint8_t letter = static_cast<uint8_t>(0xC0 + i);
    EXPECT_EQ(ToKoi7(letter), stored[i]) << std::hex << int(letter);
    EXPECT_EQ(FromKoi7(stored[i]), letter) << std::hex << int(stored[i]);
  }
}

TEST(Koi7, SpecialCodes) {
  EXPECT_EQ(ToKoi7(0xDA), 0x17);  // Ъ is not stored as 0x7F
  EXPECT_EQ(FromKoi7(0x17), 0xDA);
  EXPECT_EQ(FromKoi7(0x7F), '|');  // the old code of Ъ
  EXPECT_EQ(ToKoi7(0x93), 0x1B);
  EXPECT_EQ(ToKoi7(0x94), 0x1C);
  EXPECT_EQ(FromKoi7(0x1B), 0x93);
  EXPECT_EQ(FromKoi7(0x1C), 0x94);
}

TEST(Koi7, EverythingElsePassesThrough) {
  for (int b = 0; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    const bool mappedIn = (b >= 0xC0 && b <= 0xDF) || b == 0x93 || b == 0x94;
    if (!mappedIn) {
      EXPECT_EQ(ToKoi7(byte), byte) << b;
    }
  }
  for (uint8_t c : {'0', '9', 'A', 'Z', ' ', '-', '.'}) {
    EXPECT_EQ(ToKoi7(c), c);
    EXPECT_EQ(FromKoi7(c), c);
  }
  EXPECT_EQ(ToKoi7(0xA8), 0xA8);  // Ё
  EXPECT_EQ(FromKoi7(0xA8), 0xA8);
}

TEST(ConfigName, StoredFromByte200InModuleCode) {
  auto image = BlankImage();
  SetConfigName(*image, Utf8ToCp1251("ПУЛЬТ 1"));
  const testing::Bytes expected{0x70, 0x75, 0x6C, 0x78, 0x74, 0x20, 0x31, 0x00};
  EXPECT_EQ(testing::Bytes(image->SettingsBlock.begin() + 200, image->SettingsBlock.begin() + 208),
            expected);
  EXPECT_EQ(Cp1251ToUtf8(GetConfigName(*image)), "ПУЛЬТ 1");

  SetConfigName(*image, Utf8ToCp1251("ОБЪЁМ"));
  EXPECT_EQ(image->SettingsBlock[202], 0x17);
  EXPECT_EQ(Cp1251ToUtf8(GetConfigName(*image)), "ОБЪЁМ");

  SetConfigName(*image, "");
  EXPECT_EQ(image->SettingsBlock[200], 0);
  EXPECT_EQ(GetConfigName(*image), "");
}

TEST(ConfigName, LongNamesAreCutAndNeverReachTheChecksum) {
  auto image = BlankImage();
  SetConfigName(*image, std::string(400, 'A'));
  EXPECT_EQ(GetConfigName(*image), std::string(kConfigNameMaxLength, 'A'));
  EXPECT_EQ(image->SettingsBlock[200 + kConfigNameMaxLength], 0);
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 0);

  // A stored name without a 0 byte is read no further than the longest name.
  std::fill(image->SettingsBlock.begin() + 200, image->SettingsBlock.end(), 'B');
  EXPECT_EQ(GetConfigName(*image).size(), static_cast<size_t>(kConfigNameMaxLength));
}

TEST(Cp1251, Utf8RoundTrip) {
  const std::string text = "Пульт №1 «ЁЖ» ‰ – abc";
  const std::string cp = Utf8ToCp1251(text);
  EXPECT_EQ(cp.size(), 21u);
  EXPECT_EQ(static_cast<uint8_t>(cp[0]), 0xCF);  // П
  EXPECT_EQ(static_cast<uint8_t>(cp[6]), 0xB9);  // №
  EXPECT_EQ(Cp1251ToUtf8(cp), text);
  // Every byte comes back, the unassigned 0x98 included.
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one)), one) << byte;
  }
  EXPECT_EQ(Utf8ToCp1251("日"), "?");               // no Windows-1251 code
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?");             // cut-off sequence
  EXPECT_EQ(Utf8ToCp1251("\x80Z"), "?Z");           // stray continuation byte
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98");  // unassigned byte: kept as U+0098
}

}  // namespace
}  // namespace karvelm
