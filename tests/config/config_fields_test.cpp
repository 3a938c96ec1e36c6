#include "config/config_fields.h"

#include <gtest/gtest.h>

namespace karvelm {
namespace {

TEST(ConfigFields, WordIndexesAndKeys) {
  struct Expected {
    const char* name;
    const char* key;
    int word;
  } expected[] = {
      {"MemLayout", "mem_layout", 0},
      {"PunchMode", "punch_mode", 2},
      {"ReaderMode", "reader_mode", 3},
      {"RamSaveMode", "ram_save_mode", 11},
      {"SettingsFormat", "settings_format", 16},
      {"Rk160Mode", "rk160_mode", 17},
      {"Rk170Mode", "rk170_mode", 18},
      {"WatchdogMode", "watchdog_mode", 19},
      {"CpuSlowdown", "cpu_slowdown", 20},
      {"IntReg140", "int_reg_140", 21},
      {"IntReg200", "int_reg_200", 22},
      {"IntReg240", "int_reg_240", 23},
      {"BosiIrqMode", "bosi_irq_mode", 25},
      {"SettingsChecksum", "settings_checksum", 255},
  };
  ASSERT_EQ(ConfigFields().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const TConfigField& field = ConfigFields()[i];
    EXPECT_STREQ(field.name, expected[i].name);
    EXPECT_STREQ(field.key, expected[i].key);
    EXPECT_EQ(field.word, expected[i].word) << field.name;
    EXPECT_EQ(FindConfigField(field.key), &field);
    EXPECT_EQ(FindConfigField(field.name), &field);
  }
  EXPECT_EQ(FindConfigField("ConfigName"), nullptr);
}

TEST(ConfigFields, RangesAndItems) {
  struct Case {
    const char* field;
    uint16_t value;
    bool valid;
    const char* text;  // nullptr: no item
  } cases[] = {
      {"MemLayout", 0, true, "1"},
      {"MemLayout", 20, true, "21"},
      {"MemLayout", 21, false, nullptr},
      {"PunchMode", 1, true, "штатный перфоратор"},
      {"ReaderMode", 1, true, "штатное ФСУ"},
      {"RamSaveMode", 1, true, "автоматический"},
      {"Rk160Mode", 2, true, "использование СМП"},
      {"Rk170Mode", 3, false, nullptr},
      {"WatchdogMode", 2, false, nullptr},
      {"CpuSlowdown", 0, true, "0 - нет замедления"},
      {"CpuSlowdown", 9, true, "9"},
      {"CpuSlowdown", 10, false, nullptr},
      {"BosiIrqMode", 1, true, "форсирование"},
      {"IntReg140", 255, true, nullptr},
      {"IntReg200", 11, true, nullptr},
      {"IntReg240", 0, false, nullptr},
      {"IntReg240", 12, false, nullptr},
      {"SettingsChecksum", 0xFFFF, true, nullptr},
  };
  for (const Case& c : cases) {
    const TConfigField* field = FindConfigField(c.field);
    ASSERT_NE(field, nullptr) << c.field;
    EXPECT_EQ(FieldValueValid(*field, c.value), c.valid) << c.field << " " << c.value;
    const auto text = FieldItemText(*field, c.value);
    if (c.text) {
      EXPECT_EQ(text, std::string(c.text)) << c.field << " " << c.value;
    } else {
      EXPECT_FALSE(text.has_value()) << c.field << " " << c.value;
    }
  }
}

TEST(ConfigFields, InterruptRegisterAddresses) {
  EXPECT_EQ(IntRegBusAddress(1), 0167602);
  EXPECT_EQ(IntRegBusAddress(4), 0167610);
  EXPECT_EQ(IntRegBusAddress(11), 0167626);
  EXPECT_EQ(IntRegBusAddress(255), 0);
  EXPECT_EQ(IntRegBusAddress(0), 0);
}

}  // namespace
}  // namespace karvelm
