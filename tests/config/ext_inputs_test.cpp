#include "config/ext_inputs.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

namespace karvelm {
namespace {

enum TActionKind { aTick, aClear, aPick };

struct TAction {
  TActionKind kind;
  int group;
  int item = 0;
};

struct TOpened {
  bool checked;
  bool enabled;
  int item;
};

struct TExtInputsCase {
  const char* name;
  std::array<uint16_t, 3> stored;
  std::vector<TAction> actions;
  bool ok;
  std::array<uint16_t, 3> after;
  std::array<TOpened, 3> opened;  // what the groups showed when the dialog opened
};

void PrintTo(const TExtInputsCase& c, std::ostream* os) {
  *os << c.name << " (" << c.actions.size() << " actions, " << (c.ok ? "OK" : "Cancel") << ")";
}

constexpr TOpened kUnused{false, false, 0};

class ExtInputsDialog : public ::testing::TestWithParam<TExtInputsCase> {};

TEST_P(ExtInputsDialog, EditsTheThreeWords) {
  const TExtInputsCase& c = GetParam();
  TConfigImage image{};
  SetSettingsWord(image, IntReg140, c.stored[0]);
  SetSettingsWord(image, IntReg200, c.stored[1]);
  SetSettingsWord(image, IntReg240, c.stored[2]);
  TExtInputsForm form;
  const bool result = EditExtInputs(image, form, [&](TExtInputsForm& dialog) {
    dialog.ShowValues();
    for (int g = 0; g < 3; ++g) {
      EXPECT_EQ(dialog.Group(g).checked, c.opened[g].checked) << "group " << g;
      EXPECT_EQ(dialog.Group(g).listEnabled, c.opened[g].enabled) << "group " << g;
      EXPECT_EQ(dialog.Group(g).itemIndex, c.opened[g].item) << "group " << g;
    }
    for (const TAction& action : c.actions) {
      if (action.kind == aPick)
        dialog.PickItem(action.group, action.item);
      else
        dialog.SetGroupUsed(action.group, action.kind == aTick);
    }
    return c.ok;
  });
  EXPECT_EQ(result, c.ok);
  EXPECT_EQ(SettingsWord(image, IntReg140), c.after[0]);
  EXPECT_EQ(SettingsWord(image, IntReg200), c.after[1]);
  EXPECT_EQ(SettingsWord(image, IntReg240), c.after[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtInputsDialog,
    ::testing::Values(TExtInputsCase{"FreshImageAllUnused",
                                     {255, 255, 255},
                                     {},
                                     true,
                                     {255, 255, 255},
                                     {kUnused, kUnused, kUnused}},
                      TExtInputsCase{"TickingAloneChangesNothing",
                                     {255, 255, 255},
                                     {{aTick, 0}, {aTick, 1}},
                                     true,
                                     {255, 255, 255},
                                     {kUnused, kUnused, kUnused}},
                      TExtInputsCase{"Pick167610In200Group",
                                     {255, 255, 255},
                                     {{aTick, 1}, {aPick, 1, 3}},
                                     true,
                                     {255, 4, 255},
                                     {kUnused, kUnused, kUnused}},
                      TExtInputsCase{"ClearAndCancelKeepsTheValue",
                                     {5, 1, 11},
                                     {{aClear, 0}, {aClear, 2}},
                                     false,
                                     {5, 1, 11},
                                     {TOpened{true, true, 4}, TOpened{true, true, 0},
                                      TOpened{true, true, 10}}},
                      TExtInputsCase{"PickAndCancelKeepsTheValue",
                                     {5, 255, 255},
                                     {{aPick, 0, 7}},
                                     false,
                                     {5, 255, 255},
                                     {TOpened{true, true, 4}, kUnused, kUnused}},
                      TExtInputsCase{"ClearAndOkMakesUnused",
                                     {5, 255, 255},
                                     {{aClear, 0}},
                                     true,
                                     {255, 255, 255},
                                     {TOpened{true, true, 4}, kUnused, kUnused}},
                      TExtInputsCase{"ClearThenTickStaysUnused",
                                     {5, 255, 255},
                                     {{aClear, 0}, {aTick, 0}},
                                     true,
                                     {255, 255, 255},
                                     {TOpened{true, true, 4}, kUnused, kUnused}},
                      TExtInputsCase{"StoredZeroOpensTickedWithoutItem",
                                     {0, 255, 255},
                                     {},
                                     true,
                                     {0, 255, 255},
                                     {TOpened{true, true, -1}, kUnused, kUnused}},
                      TExtInputsCase{"OtherValueOutsideTheItemsKept",
                                     {12, 0x1234, 255},
                                     {},
                                     true,
                                     {12, 0x1234, 255},
                                     {TOpened{true, true, -1}, TOpened{true, true, -1}, kUnused}},
                      TExtInputsCase{"PickAfterStoredZero",
                                     {0, 255, 255},
                                     {{aPick, 0, 0}},
                                     true,
                                     {1, 255, 255},
                                     {TOpened{true, true, -1}, kUnused, kUnused}}),
    [](const ::testing::TestParamInfo<TExtInputsCase>& info) { return info.param.name; });

TEST(ExtInputsForm, ListsKeepTheirItemBetweenOpenings) {
  TConfigImage image{};
  TExtInputsForm form;
  SetSettingsWord(image, IntReg140, 3);
  EditExtInputs(image, form, [](TExtInputsForm& dialog) {
    dialog.ShowValues();
    return false;
  });
  SetSettingsWord(image, IntReg140, 255);
  EditExtInputs(image, form, [](TExtInputsForm& dialog) {
    dialog.ShowValues();
    EXPECT_FALSE(dialog.Group(0).checked);
    EXPECT_FALSE(dialog.Group(0).listEnabled);
    EXPECT_EQ(dialog.Group(0).itemIndex, 2);  // disabled, still showing 167606
    return false;
  });
}

TEST(ExtInputsForm, GroupsAndItems) {
  const char* boxes[] = {"GroupBox2", "GroupBox1", "GroupBox3"};
  const char* captions[] = {"Вектора 140-174", "Вектора 200-234", "Вектора 240-274"};
  for (int g = 0; g < kExtInputGroups; ++g) {
    EXPECT_STREQ(ExtInputGroup(g).field->control, boxes[g]);
    EXPECT_STREQ(ExtInputGroup(g).field->label, captions[g]);
  }
  EXPECT_STREQ(IntRegItems[0], "167602");
  EXPECT_STREQ(IntRegItems[3], "167610");
  EXPECT_STREQ(IntRegItems[10], "167626");
}

}  // namespace
}  // namespace karvelm
