// The device-parameter page, the set-point page and the interrupt dialog on the main window:
// what typing and picking stores in the image, and what a refresh shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "config/config_fields.h"
#include "config_pages_fixture.h"

namespace karvelm {
namespace {

using testing::ElementsAre;

class DeviceParamsPage : public ConfigPagesFixture {
 protected:
  void SetUp() override {
    ConfigPagesFixture::SetUp();
    Open();
    ShowSheet(mpDeviceParameters);
  }
  QLineEdit* Edit9() { return On<QLineEdit>("TabSheet1", "Edit9"); }
  std::vector<uint8_t> NameBytes(size_t count) {
    const auto& block = form->Image().SettingsBlock;
    return {block.begin() + ConfigNameOffset, block.begin() + ConfigNameOffset + count};
  }
};

TEST_F(DeviceParamsPage, TypedNameIsStoredInCapitalsInTheModuleCode) {
  KeyIn(Edit9(), QString::fromUtf8("пульт 1"));
  EXPECT_THAT(NameBytes(8), ElementsAre(0x70, 0x75, 0x6C, 0x78, 0x74, 0x20, 0x31, 0x00));
  EXPECT_EQ(Edit9()->text(), QString::fromUtf8("пульт 1"));  // the entry keeps what was typed
  form->RefreshConfigPages();
  EXPECT_EQ(Edit9()->text(), QString::fromUtf8("ПУЛЬТ 1"));
  EXPECT_THAT(NameBytes(8), ElementsAre(0x70, 0x75, 0x6C, 0x78, 0x74, 0x20, 0x31, 0x00));

  Type(Edit9(), "");
  EXPECT_THAT(NameBytes(1), ElementsAre(0x00));
}

TEST_F(DeviceParamsPage, EntryTakesNoCharacterBeyondTheNameLimit) {
  EXPECT_EQ(Edit9()->maxLength(), 255);
  KeyIn(Edit9(), QString(256, 'A'));
  EXPECT_EQ(Edit9()->text().size(), 255);
  std::vector<uint8_t> bytes = NameBytes(256);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 'A'), 255);
  EXPECT_EQ(bytes[255], 0x00);  // the terminator ends before the checksum word
}

TEST_F(DeviceParamsPage, ListsStoreTheUsersPickAndShowTheStoredValue) {
  struct TCase {
    const char* list;
    TSettingsWord word;
    int items;
  };
  const TCase cases[] = {{"ComboBox1", PunchMode, 2},    {"ComboBox2", ReaderMode, 2},
                         {"ComboBox4", RamSaveMode, 2},  {"ComboBox5", Rk160Mode, 3},
                         {"ComboBox6", Rk170Mode, 3},    {"ComboBox7", WatchdogMode, 2},
                         {"ComboBox8", CpuSlowdown, 10}, {"ComboBox15", BosiIrqMode, 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.list);
    QComboBox* list = On<QComboBox>("TabSheet1", c.list);
    ASSERT_EQ(list->count(), c.items);
    Pick(list, c.items - 1);
    EXPECT_EQ(SettingsWord(form->Image(), c.word), c.items - 1);

    // A value outside the items shows no selection, and a refresh does not overwrite it.
    SetSettingsWord(form->Image(), c.word, 40);
    form->RefreshConfigPages();
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(SettingsWord(form->Image(), c.word), 40);
    SetSettingsWord(form->Image(), c.word, 1);
    form->RefreshConfigPages();
    EXPECT_EQ(list->currentIndex(), 1);
  }
  EXPECT_EQ(On<QComboBox>("TabSheet1", "ComboBox8")->itemText(0),
            QString::fromUtf8("0 - нет замедления"));
}

class SetPointsPage : public ConfigPagesFixture {
 protected:
  void SetUp() override {
    ConfigPagesFixture::SetUp();
    Open();
    ShowSheet(mpSetPoints);
  }
  QLineEdit* Entry(const char* name) { return On<QLineEdit>("TabSheet4", name); }
  static bool Red(QLineEdit* entry) { return entry->palette().color(QPalette::Text) == Qt::red; }
};

TEST_F(SetPointsPage, EntriesEditTheirWordsInRowOrder) {
  const char* names[] = {"Edit1",  "Edit2",  "Edit3",  "Edit5",  "Edit6",  "Edit4",
                         "Edit7",  "Edit8",  "Edit10", "Edit11", "Edit12", "Edit13",
                         "Edit14", "Edit15", "Edit16", "Edit17"};
  for (int i = 0; i < kSetPointWords; ++i) {
    SCOPED_TRACE(names[i]);
    QLineEdit* entry = Entry(names[i]);
    EXPECT_EQ(entry->property("tag").toInt(), i);
    EXPECT_EQ(entry->text(), "0");
    EXPECT_EQ(On<QLabel>("TabSheet4", QString("SetPointAddress%1").arg(i).toUtf8())->text(),
              QString::number(0173000 + 2 * i, 8));
    Type(entry, QString::number(i + 1, 8));
  }
  for (int i = 0; i < kSetPointWords; ++i) EXPECT_EQ(SetPointWord(form->Image(), i), i + 1);
}

TEST_F(SetPointsPage, BadOctalTurnsRedAndKeepsTheWordUntilARefresh) {
  QLineEdit* entry = Entry("Edit2");  // 173002, word 1
  Type(entry, "17");
  EXPECT_EQ(SetPointWord(form->Image(), 1), 15);
  EXPECT_FALSE(Red(entry));
  KeyIn(entry, "8");  // 178
  EXPECT_TRUE(Red(entry));
  EXPECT_EQ(SetPointWord(form->Image(), 1), 15);
  Type(entry, "");
  EXPECT_TRUE(Red(entry));
  EXPECT_EQ(SetPointWord(form->Image(), 1), 15);
  Type(entry, "177777");
  EXPECT_FALSE(Red(entry));
  EXPECT_EQ(SetPointWord(form->Image(), 1), 0xFFFF);

  Type(entry, "9");
  EXPECT_TRUE(Red(entry));
  SetSetPointWord(form->Image(), 1, 8);
  form->RefreshConfigPages();
  EXPECT_EQ(entry->text(), "10");
  EXPECT_FALSE(Red(entry));
}

// Button34 and the dialog, answered while it is open.
class InterruptDialog : public ConfigPagesFixture {
 protected:
  void SetUp() override {
    ConfigPagesFixture::SetUp();
    Open();
    ShowSheet(mpDeviceParameters);
  }
  TExtInputsDialog& Dialog() { return form->ConfigPages().ExtInputsForm(); }
  template <typename T>
  T* InDialog(const char* name) {
    T* widget = Dialog().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Presses Button34; inside the dialog runs user, then presses closeWith.
  void Run(std::function<void()> user, const char* closeWith) {
    bool opened = false;
    WhenModal([&] {
      opened = Dialog().isVisible();
      if (user) user();
      InDialog<QPushButton>(closeWith)->click();
    });
    On<QPushButton>("TabSheet1", "Button34")->click();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(Dialog().isVisible());
  }
  std::array<uint16_t, 3> Stored() {
    return {SettingsWord(form->Image(), IntReg140), SettingsWord(form->Image(), IntReg200),
            SettingsWord(form->Image(), IntReg240)};
  }
};

TEST_F(InterruptDialog, FreshImageOpensUnusedAndAPickStoresOnlyOnOk) {
  EXPECT_EQ(Dialog().windowTitle(), QString::fromUtf8("Настройка прерываний от RK-110M"));
  const char* boxes[] = {"CheckBox1", "CheckBox2", "CheckBox3"};
  const char* lists[] = {"ComboBox1", "ComboBox2", "ComboBox3"};
  auto pick167610InGroup200 = [&] {
    for (int group = 0; group < 3; ++group) {
      EXPECT_FALSE(InDialog<QCheckBox>(boxes[group])->isChecked());
      EXPECT_FALSE(InDialog<QComboBox>(lists[group])->isEnabled());
    }
    InDialog<QCheckBox>("CheckBox2")->click();
    EXPECT_TRUE(InDialog<QComboBox>("ComboBox2")->isEnabled());
    Pick(InDialog<QComboBox>("ComboBox2"), 3);  // "167610"
  };
  Run(pick167610InGroup200, "Button2");  // Отмена
  EXPECT_EQ(Stored(), (std::array<uint16_t, 3>{255, 255, 255}));
  Run(pick167610InGroup200, "Button1");  // OK
  EXPECT_EQ(Stored(), (std::array<uint16_t, 3>{255, 4, 255}));

  // Ticking alone changes nothing: the group is still unused next time.
  Run([&] { InDialog<QCheckBox>("CheckBox1")->click(); }, "Button1");
  EXPECT_EQ(Stored(), (std::array<uint16_t, 3>{255, 4, 255}));
  Run(
      [&] {
        EXPECT_FALSE(InDialog<QCheckBox>("CheckBox1")->isChecked());
        EXPECT_TRUE(InDialog<QCheckBox>("CheckBox2")->isChecked());
        EXPECT_EQ(InDialog<QComboBox>("ComboBox2")->currentText(), "167610");
        InDialog<QCheckBox>("CheckBox2")->click();  // cleared: unused
      },
      "Button1");
  EXPECT_EQ(Stored(), (std::array<uint16_t, 3>{255, 255, 255}));
}

TEST_F(InterruptDialog, StoredZeroOpensTickedWithoutItemAndStaysZero) {
  SetSettingsWord(form->Image(), IntReg240, 0);
  Run(
      [&] {
        EXPECT_TRUE(InDialog<QCheckBox>("CheckBox3")->isChecked());
        EXPECT_TRUE(InDialog<QComboBox>("ComboBox3")->isEnabled());
        EXPECT_EQ(InDialog<QComboBox>("ComboBox3")->currentIndex(), -1);
      },
      "Button1");
  EXPECT_EQ(Stored(), (std::array<uint16_t, 3>{255, 255, 0}));
}

}  // namespace
}  // namespace karvelm
