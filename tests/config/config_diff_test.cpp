#include "config/config_diff.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/koi7.h"

namespace karvelm {
namespace {

using TChange = std::function<void(TConfigImage&)>;

struct TDiffCase {
  const char* name;
  TChange change;  // applied to b; both are sealed afterwards, as a saved file is
  std::vector<std::string> fields;
  std::vector<int> otherWords;
  bool name_;
  bool layout;
  std::vector<int> setPoints;
  std::vector<std::pair<int, size_t>> pages;  // page, differing bytes
  friend void PrintTo(const TDiffCase& c, std::ostream* os) { *os << c.name; }
};

class ConfigDiff : public ::testing::TestWithParam<TDiffCase> {
 protected:
  void SetUp() override {
    ResetConfigImage(*a);
    SetConfigName(*a, Utf8ToCp1251("ТОКАРНЫЙ"));
    for (int page = 0; page < kPageCount; ++page) a->Page(page)[page] = 0x11;
    *b = *a;
  }
  std::unique_ptr<TConfigImage> a = std::make_unique<TConfigImage>();
  std::unique_ptr<TConfigImage> b = std::make_unique<TConfigImage>();
};

TEST_P(ConfigDiff, ReportsExactlyWhatDiffers) {
  const TDiffCase& c = GetParam();
  c.change(*b);
  SealSettingsBlock(*a);
  SealSettingsBlock(*b);
  const TConfigDiff diff = DiffConfigImages(*a, *b);

  std::vector<std::string> fields;
  for (const TFieldDiff& field : diff.fields) fields.push_back(field.field->key);
  EXPECT_EQ(fields, c.fields);
  std::vector<int> words, points;
  for (const TWordDiff& word : diff.otherWords) words.push_back(word.index);
  for (const TWordDiff& point : diff.setPoints) points.push_back(point.index);
  EXPECT_EQ(words, c.otherWords);
  EXPECT_EQ(points, c.setPoints);
  EXPECT_EQ(diff.nameDiffers, c.name_);
  EXPECT_EQ(diff.layoutDiffers, c.layout);
  std::vector<std::pair<int, size_t>> pages;
  for (int page = 0; page < kPageCount; ++page)
    if (diff.pages[page].Differs()) pages.push_back({page, diff.pages[page].bytes});
  EXPECT_EQ(pages, c.pages);
  EXPECT_EQ(diff.Equal(), fields.empty() && words.empty() && points.empty() && !c.name_ &&
                              !c.layout && pages.empty());
  EXPECT_EQ(DiffTableRows(diff).size(), diff.RowCount());

  // The other way round, the same rows with the values swapped.
  const TConfigDiff back = DiffConfigImages(*b, *a);
  EXPECT_EQ(back.RowCount(), diff.RowCount());
  if (!diff.fields.empty()) {
    EXPECT_EQ(back.fields[0].a, diff.fields[0].b);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigDiff,
    ::testing::Values(
        TDiffCase{"equal", [](TConfigImage&) {}, {}, {}, false, false, {}, {}},
        // The checksum follows the field: one row, not two.
        TDiffCase{"oneField",
                  [](TConfigImage& b) { SetSettingsWord(b, PunchMode, 1); },
                  {"punch_mode"},
                  {},
                  false,
                  false,
                  {},
                  {}},
        TDiffCase{"oneSetPoint",
                  [](TConfigImage& b) { SetSetPointWord(b, 2, 0777); },
                  {},
                  {},
                  false,
                  false,
                  {2},
                  {}},
        TDiffCase{"name",
                  [](TConfigImage& b) { SetConfigName(b, Utf8ToCp1251("ФРЕЗЕРНЫЙ")); },
                  {},
                  {},
                  true,
                  false,
                  {},
                  {}},
        // Bytes left behind a shorter name are not part of it.
        TDiffCase{"bytesBehindTheName",
                  [](TConfigImage& b) { b.SettingsBlock[ConfigNameOffset + 100] = 'X'; },
                  {},
                  {},
                  false,
                  false,
                  {},
                  {}},
        TDiffCase{"twoPages",
                  [](TConfigImage& b) {
                    b.Page(3)[0] ^= 1;
                    b.Page(3)[8191] ^= 1;
                    for (int i = 0; i < 20; ++i) b.Page(15)[100 + i] ^= 0xFF;
                  },
                  {},
                  {},
                  false,
                  false,
                  {},
                  {{3, 2}, {15, 20}}},
        TDiffCase{"layout",
                  [](TConfigImage& b) { SetSettingsWord(b, MemLayout, 4); },
                  {},
                  {},
                  false,
                  true,
                  {},
                  {}},
        TDiffCase{"wordNoFieldDescribes",
                  [](TConfigImage& b) { SetSettingsWord(b, 4, 7); },
                  {},
                  {4},
                  false,
                  false,
                  {},
                  {}},
        TDiffCase{"everything",
                  [](TConfigImage& b) {
                    SetSettingsWord(b, WatchdogMode, 1);
                    SetSettingsWord(b, IntReg200, 3);
                    SetSetPointWord(b, 15, 1);
                    SetConfigName(b, "");
                    b.Page(0)[0] = 0;
                  },
                  {"watchdog_mode", "int_reg_200"},
                  {},
                  true,
                  false,
                  {15},
                  {{0, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A checksum that matches no block (a damaged file) is a difference of its own.
TEST(ConfigDiffChecksum, OneThatDoesNotFollowItsBlockIsReported) {
  auto a = std::make_unique<TConfigImage>();
  ResetConfigImage(*a);
  SealSettingsBlock(*a);
  auto b = std::make_unique<TConfigImage>(*a);
  SetSettingsWord(*b, SettingsChecksum, 0x1234);
  const TConfigDiff diff = DiffConfigImages(*a, *b);
  ASSERT_EQ(diff.fields.size(), 1u);
  EXPECT_STREQ(diff.fields[0].field->key, "settings_checksum");
  EXPECT_EQ(diff.fields[0].b, 0x1234);
}

TEST(ConfigDiffTable, RowsSayWhatThePagesShow) {
  auto a = std::make_unique<TConfigImage>();
  ResetConfigImage(*a);
  auto b = std::make_unique<TConfigImage>(*a);
  SetSettingsWord(*b, PunchMode, 1);
  SetSettingsWord(*b, IntReg140, 1);
  SetSettingsWord(*b, MemLayout, 20);
  SetSetPointWord(*b, 1, 8);
  SetConfigName(*b, Utf8ToCp1251("СТАНОК"));
  for (int i = 0; i < 10; ++i) b->Page(7)[8 * i] = 0;
  const std::vector<TDiffTableRow> rows = DiffTableRows(DiffConfigImages(*a, *b));
  ASSERT_EQ(rows.size(), 6u);
  auto expect = [&](size_t i, const std::string& item, const std::string& va,
                    const std::string& vb) {
    EXPECT_EQ(rows[i].item, item);
    EXPECT_EQ(rows[i].a, va);
    EXPECT_EQ(rows[i].b, vb);
  };
  expect(0, "Номер текущей конфигурации", "1", "21");
  expect(1, "Режим работы перфоратора", "использование СМП", "штатный перфоратор");
  expect(2, "Вектора 140-174", "не используется", "167602");
  expect(3, "Название конфигурации", "\"\"", "\"СТАНОК\"");
  expect(4, "Уставка 173002", "0", "10");
  expect(5, "Страница 7",
         "различающихся байт: 10; первые смещения (8-ричные): 0, 10, 20, 30, 40, 50, 60, 70, …",
         "");
  EXPECT_TRUE(rows[5].spansValues);
}

}  // namespace
}  // namespace karvelm
