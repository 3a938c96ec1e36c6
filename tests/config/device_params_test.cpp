#include "config/device_params.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/set_point_page.h"

namespace karvelm {
namespace {

std::unique_ptr<TConfigImage> FreshImage() {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  return image;
}

std::vector<uint8_t> NameBytes(const TConfigImage& image, size_t count) {
  const uint8_t* name = image.SettingsBlock.data() + ConfigNameOffset;
  return std::vector<uint8_t>(name, name + count);
}

TEST(DeviceParams, ListsInPageOrderFromTheFieldTable) {
  const struct {
    const char* control;
    const char* label;
    size_t items;
  } expected[] = {
      {"ComboBox1", "Режим работы перфоратора", 2}, {"ComboBox2", "Режим работы ФСУ", 2},
      {"ComboBox4", "Режим сохрания ОЗУ", 2},       {"ComboBox5", "Режим эмуляции RK-160", 3},
      {"ComboBox6", "Режим эмуляции RK-170", 3},    {"ComboBox7", "Сторожевой таймер", 2},
      {"ComboBox8", "Замедление процессора", 10},   {"ComboBox15", "Прерывания от БОСИ", 2},
  };
  const auto& lists = DeviceParamLists();
  ASSERT_EQ(lists.size(), std::size(expected));
  for (size_t i = 0; i < lists.size(); ++i) {
    EXPECT_STREQ(lists[i]->control, expected[i].control);
    EXPECT_STREQ(lists[i]->label, expected[i].label);
    EXPECT_EQ(lists[i]->items.size(), expected[i].items);
  }
  EXPECT_STREQ(lists[6]->items[0], "0 - нет замедления");
}

TEST(DeviceParams, ValueOutsideTheItemsShowsNoSelectionAndIsKept) {
  auto image = FreshImage();
  const TConfigField& punch = *FindConfigField("PunchMode");
  const TConfigField& ramSave = *FindConfigField("RamSaveMode");
  EXPECT_EQ(ListSelection(*image, ramSave), 1);  // the initial image saves automatically
  EXPECT_EQ(ListSelection(*image, punch), 0);

  SetSettingsWord(*image, PunchMode, 7);
  EXPECT_EQ(ListSelection(*image, punch), std::nullopt);
  StoreListItem(*image, punch, -1);
  StoreListItem(*image, punch, 2);
  EXPECT_EQ(SettingsWord(*image, PunchMode), 7);
  StoreListItem(*image, punch, 1);
  EXPECT_EQ(SettingsWord(*image, PunchMode), 1);

  StoreListItem(*image, *FindConfigField("CpuSlowdown"), 9);
  EXPECT_EQ(SettingsWord(*image, CpuSlowdown), 9);
}

TEST(ConfigNameEntry, StoresUpperCaseInTheModulesCode) {
  auto image = FreshImage();
  ASSERT_TRUE(StoreConfigName(*image, "пульт 1"));
  EXPECT_EQ(NameBytes(*image, 8),
            (std::vector<uint8_t>{0x70, 0x75, 0x6C, 0x78, 0x74, 0x20, 0x31, 0x00}));
  EXPECT_EQ(ConfigNameText(*image), "ПУЛЬТ 1");
}

TEST(ConfigNameEntry, UpperCaseOfTheCodePage) {
  const struct {
    const char* typed;
    const char* shown;  // after the next refresh
  } cases[] = {
      {"abc xyz", "ABC XYZ"}, {"съёмный", "СЪЁМНЫЙ"},  // Ъ is stored as 0x17 and reads back
      {"ПУЛЬТ-2", "ПУЛЬТ-2"}, {"їґєіў", "ЇҐЄІЎ"},     {"№5 «a»", "№5 «A»"},
  };
  for (const auto& c : cases) {
    auto image = FreshImage();
    ASSERT_TRUE(StoreConfigName(*image, c.typed)) << c.typed;
    EXPECT_EQ(ConfigNameText(*image), c.shown) << c.typed;
  }
  auto image = FreshImage();
  StoreConfigName(*image, "ъ");
  EXPECT_EQ(image->SettingsBlock[ConfigNameOffset], 0x17);
}

TEST(ConfigNameEntry, DeletingTheNameStoresOneZeroByte) {
  auto image = FreshImage();
  ASSERT_TRUE(StoreConfigName(*image, "ABC"));
  ASSERT_TRUE(StoreConfigName(*image, ""));
  EXPECT_EQ(NameBytes(*image, 3), (std::vector<uint8_t>{0x00, 'B', 'C'}));
  EXPECT_EQ(ConfigNameText(*image), "");
}

TEST(ConfigNameEntry, AtMost255Characters) {
  auto image = FreshImage();
  SetSettingsWord(*image, SettingsChecksum, 0xBEEF);
  std::string longest;
  for (int i = 0; i < kConfigNameEntryMaxLength; ++i) longest += "я";
  ASSERT_TRUE(StoreConfigName(*image, longest));
  const std::vector<uint8_t> bytes = NameBytes(*image, 256);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0x71), 255);
  EXPECT_EQ(bytes[255], 0);  // byte 455, before word 255
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 0xBEEF);

  // The 256th character is refused: the name stays as it was.
  EXPECT_FALSE(StoreConfigName(*image, longest + "a"));
  EXPECT_EQ(NameBytes(*image, 256), bytes);
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 0xBEEF);
}

TEST(SetPointPage, OctalEntries) {
  auto image = FreshImage();
  EXPECT_TRUE(StoreSetPointText(*image, 1, "17"));
  EXPECT_EQ(SetPointWord(*image, 1), 15);
  for (const char* bad : {"18", "", " 1", "-1"}) {
    EXPECT_FALSE(StoreSetPointText(*image, 1, bad)) << bad;
    EXPECT_EQ(SetPointWord(*image, 1), 15) << bad;
  }
  EXPECT_TRUE(StoreSetPointText(*image, 15, "1000001"));  // digits beyond the sixth wrap
  EXPECT_EQ(SetPointWord(*image, 15), 1);
  EXPECT_EQ(SetPointWord(*image, 0), 0);

  SetSetPointWord(*image, 2, 0xFFFF);
  SetSetPointWord(*image, 3, 8);
  EXPECT_EQ(SetPointText(*image, 2), "177777");
  EXPECT_EQ(SetPointText(*image, 3), "10");
  EXPECT_EQ(SetPointText(*image, 0), "0");
}

TEST(SetPointPage, RowsAndEntries) {
  EXPECT_EQ(SetPointAddressText(0), "173000");
  EXPECT_EQ(SetPointAddressText(1), "173002");
  EXPECT_EQ(SetPointAddressText(15), "173036");
  const char* entries[] = {"Edit1",  "Edit2",  "Edit3",  "Edit5",  "Edit6",  "Edit4",
                           "Edit7",  "Edit8",  "Edit10", "Edit11", "Edit12", "Edit13",
                           "Edit14", "Edit15", "Edit16", "Edit17"};
  for (int i = 0; i < kSetPointWords; ++i) EXPECT_STREQ(SetPointEntryName(i), entries[i]);
  EXPECT_EQ(SetPointEntryName(16), nullptr);
}

}  // namespace
}  // namespace karvelm
