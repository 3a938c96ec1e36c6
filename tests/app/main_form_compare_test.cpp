// "Сравнить с файлом…" of the file menu: the open configuration against a file, in a read-only
// table dialog; the open configuration is never changed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <memory>

#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/koi7.h"
#include "main_form_fixture.h"

namespace karvelm {
namespace {

class CompareWithFile : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
    Start();
  }
  // The open configuration as a file, before the test changes it.
  std::string SaveOpen(const char* name) {
    auto copy = std::make_unique<TConfigImage>(form->Image());
    const std::string path = folder.File(name);
    EXPECT_TRUE(SaveConfigImageFile(path, *copy).ok());
    return path;
  }
  struct TSeen {
    bool shown = false;
    QString title, summary;
    std::vector<std::vector<QString>> rows;
    bool readOnly = false;
  };
  // Triggers the menu item; reads the table while its dialog is open, then closes it.
  TSeen Compare() {
    TSeen seen;
    WhenModal([&seen] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog || dialog->objectName() != "ConfigDiffForm") return;
      seen.shown = true;
      seen.title = dialog->windowTitle();
      seen.summary = dialog->findChild<QLabel*>("DiffSummary")->text();
      auto* table = dialog->findChild<QTableWidget*>("DiffTable");
      seen.readOnly = table->editTriggers() == QAbstractItemView::NoEditTriggers;
      for (int r = 0; r < table->rowCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < table->columnCount(); ++c)
          row.push_back(table->item(r, c) ? table->item(r, c)->text() : QString());
        seen.rows.push_back(row);
        for (int c = 0; c < table->columnCount(); ++c)
          if (table->item(r, c) && (table->item(r, c)->flags() & Qt::ItemIsEditable))
            seen.readOnly = false;
      }
      dialog->findChild<QPushButton*>("DiffClose")->click();
    });
    Action("NCompareWithFile")->trigger();
    return seen;
  }
};

TEST_F(CompareWithFile, TableShowsFieldSetPointNameAndPagesOpenValueFirst) {
  const std::string path = SaveOpen("machine.bin");
  TConfigImage& image = form->Image();
  SetSettingsWord(image, WatchdogMode, 1);
  SetSetPointWord(image, 4, 0777);
  SetConfigName(image, Utf8ToCp1251("СТАНОК"));
  image.Page(0)[10] ^= 1;
  for (int i = 0; i < 3; ++i) image.Page(12)[i] ^= 1;
  const TConfigImage before = image;

  dialogs.files.push_back(path);
  const TSeen seen = Compare();
  ASSERT_TRUE(seen.shown);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "open");
  EXPECT_EQ(dialogs.shown[0].request.title, "Сравнить с файлом");
  EXPECT_EQ(dialogs.shown[0].request.filter, "Бинарный файл|*.bin|Все файлы|*.*");
  EXPECT_EQ(seen.title, QString::fromUtf8("Сравнение с файлом"));
  EXPECT_EQ(seen.summary, QString::fromUtf8("Различий с файлом machine.bin: 5."));
  EXPECT_TRUE(seen.readOnly);
  const std::vector<std::vector<QString>> expected = {
      {"Сторожевой таймер", "вкл", "выкл"},
      {"Название конфигурации", "\"СТАНОК\"", "\"\""},
      {"Уставка 173010", "777", "0"},
      {"Страница 0", "различающихся байт: 1; первые смещения (8-ричные): 12", ""},
      {"Страница 12", "различающихся байт: 3; первые смещения (8-ричные): 0, 1, 2", ""},
  };
  EXPECT_EQ(seen.rows, expected);
  EXPECT_TRUE(before.SettingsBlock == image.SettingsBlock &&
              before.SetPointBlock == image.SetPointBlock &&
              before.MemoryImage == image.MemoryImage)
      << "the open configuration is left as it was";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CompareWithFile, EqualFileShowsNoRows) {
  dialogs.files.push_back(SaveOpen("same.bin"));
  const TSeen seen = Compare();
  ASSERT_TRUE(seen.shown);
  EXPECT_TRUE(seen.rows.empty());
  EXPECT_EQ(seen.summary, QString::fromUtf8("Открытая конфигурация и файл same.bin совпадают."));
}

// No table: a cancelled dialog shows nothing more, a file that cannot be opened is told as
// opening it would tell.
TEST_F(CompareWithFile, CancelledOrUnreadableFileShowsNoTable) {
  dialogs.files.push_back(std::nullopt);
  Action("NCompareWithFile")->trigger();
  EXPECT_EQ(dialogs.shown.size(), 1u);

  dialogs.files.push_back(folder.File("gone.bin"));
  Action("NCompareWithFile")->trigger();
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[2].kind, "inform");
  EXPECT_NE(dialogs.shown[2].text.find("gone.bin"), std::string::npos) << dialogs.shown[2].text;

  std::string bytes = TTempFolder::Read(SaveOpen("bad.bin"));
  bytes[20] ^= 0x40;  // a frame that fails its check
  dialogs.files.push_back(folder.Write("bad.bin", bytes));
  Action("NCompareWithFile")->trigger();
  ASSERT_EQ(dialogs.shown.size(), 5u);
  EXPECT_EQ(dialogs.shown[4].text, "Ошибка открытия файла");
  EXPECT_EQ(form->findChild<QDialog*>("ConfigDiffForm"), nullptr);
}

}  // namespace
}  // namespace karvelm
