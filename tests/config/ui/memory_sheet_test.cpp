// The memory page on the main window: the map drawn for a layout, page images loaded by a
// click through the open dialog (read by the chosen filter), the bank files, and the refresh
// of all configuration pages after a file was opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <filesystem>

#include "base/octal_text.h"
#include "config/config_fields.h"
#include "config/device_params.h"
#include "config/page_image_load.h"
#include "config/ui/memory_cell.h"
#include "config/ui/memory_sheet.h"
#include "config_pages_fixture.h"

namespace karvelm {
namespace {

using testing::ElementsAre;

class MemoryPage : public ConfigPagesFixture {
 protected:
  void SetUp() override {
    ConfigPagesFixture::SetUp();
    Open();
    ShowSheet(mpMemoryConfig);
  }
  TMemoryCell* Cell(const char* name) { return On<TMemoryCell>("TabSheet2", name); }
  QComboBox* ComboBox3() { return On<QComboBox>("TabSheet2", "ComboBox3"); }
  static QString RomText(uint16_t sum, uint16_t crc) {
    return QString::fromStdString("ППЗУ\n" + WordToOctal(sum) + "\n" + WordToOctal(crc));
  }
  QString RomText(int page) {
    return RomText(form->Image().PageSum[page], form->Image().PageCrc[page]);
  }
  static bool Hand(QWidget* cell) {
    return cell->testAttribute(Qt::WA_SetCursor) &&
           cell->cursor().shape() == Qt::PointingHandCursor;
  }
  const TShownBox& LastOpen() const {
    auto open = std::find_if(dialogs.shown.rbegin(), dialogs.shown.rend(),
                             [](const TShownBox& box) { return box.kind == "open"; });
    EXPECT_NE(open, dialogs.shown.rend());
    return *open;
  }
  // A left click on a cell, with the open dialog answered by file and filter.
  void ClickWith(const char* cell, const std::string& file, int filter) {
    dialogs.files.push_back(file);
    dialogs.filters.push_back(filter);
    QTest::mouseClick(Cell(cell), Qt::LeftButton);
  }
};

TEST_F(MemoryPage, LayoutOneShowsBankTwoAsOneRegionWithOnlyItsFirstCellClickable) {
  EXPECT_EQ(On<QLabel>("TabSheet2", "StaticText68")->text(),
            QString::fromUtf8("Номер текущей конфигурации"));
  ASSERT_EQ(ComboBox3()->count(), 21);
  EXPECT_EQ(ComboBox3()->itemText(20), "21");
  EXPECT_EQ(ComboBox3()->currentIndex(), 0);
  EXPECT_EQ(form->findChild<QWidget*>("TabSheet2")->findChildren<TMemoryCell*>().size(), 41);

  TMemoryCell* first = Cell("StaticText17");                  // bank 2 page 0
  EXPECT_EQ(first->text(), QString::fromUtf8("ППЗУ\n0\n0"));  // no checks computed yet
  EXPECT_EQ(first->property("tag").toInt(), 0x10);
  EXPECT_TRUE(Hand(first));
  EXPECT_TRUE(first->font().underline());
  EXPECT_EQ(first->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_NE(first->frameShape(), QFrame::NoFrame);
  for (const char* rest : {"StaticText23", "StaticText25", "StaticText27"}) {
    SCOPED_TRACE(rest);
    EXPECT_EQ(Cell(rest)->text(), "");
    EXPECT_EQ(Cell(rest)->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(Cell(rest)->property("tag").toInt(), 0);
    EXPECT_FALSE(Hand(Cell(rest)));
  }
  for (const char* ram : {"StaticText15", "StaticText16"}) {
    EXPECT_EQ(Cell(ram)->text(), QString::fromUtf8("ОЗУ"));
    EXPECT_FALSE(Hand(Cell(ram)));
    EXPECT_FALSE(Cell(ram)->font().underline());
  }

  // A click on a continuing cell opens nothing.
  QTest::mouseClick(Cell("StaticText23"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MemoryPage, PickedLayoutIsStoredAndRedrawn) {
  Pick(ComboBox3(), 16);  // "17": no ROM at all
  EXPECT_EQ(SettingsWord(form->Image(), MemLayout), 16);
  for (TMemoryCell* cell : form->findChild<QWidget*>("TabSheet2")->findChildren<TMemoryCell*>())
    EXPECT_FALSE(Hand(cell)) << cell->objectName().toStdString();

  // A layout from a file outside the list: no selection, a blank map.
  SetSettingsWord(form->Image(), MemLayout, 30);
  form->RefreshConfigPages();
  EXPECT_EQ(ComboBox3()->currentIndex(), -1);
  EXPECT_EQ(Cell("StaticText17")->text(), "");
  EXPECT_EQ(SettingsWord(form->Image(), MemLayout), 30);
}

TEST_F(MemoryPage, ClickLoadsTheFileByTheChosenFilterNotItsExtension) {
  std::string data(100, '\0');
  for (int i = 0; i < 100; ++i) data[i] = static_cast<char>(i + 1);
  // Named like an absolute-loader file, read as a binary because of the first filter.
  const std::string file = folder.Write("image.lda", data);
  ClickWith("StaticText17", file, 1);

  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "open");
  EXPECT_EQ(dialogs.shown[0].request.title, "");
  EXPECT_EQ(dialogs.shown[0].request.filter, kPageImageDialogFilter);
  EXPECT_EQ(dialogs.shown[0].request.defaultExtension, "bin");
  const uint8_t* page = form->Image().Page(0);
  EXPECT_EQ(page[0], 1);
  EXPECT_EQ(page[99], 100);
  EXPECT_EQ(page[100], 0xFF);
  EXPECT_EQ(page[kPageSize - 1], 0xFF);
  EXPECT_NE(form->Image().PageSum[0], 0);
  EXPECT_EQ(Cell("StaticText17")->text(), RomText(0));

  // An erased page: the known checks of all 0xFF.
  ClickWith("StaticText17", folder.Write("erased.bin", std::string(kPageSize, '\xFF')), 1);
  EXPECT_EQ(Cell("StaticText17")->text(), QString::fromUtf8("ППЗУ\n177777\n37777"));

  // The dialog opens next time with the filter chosen last.
  ClickWith("StaticText17", file, 2);
  EXPECT_EQ(LastOpen().request.filterIndex, 1);
  ClickWith("StaticText17", file, 1);
  EXPECT_EQ(LastOpen().request.filterIndex, 2);
}

TEST_F(MemoryPage, BadAbsoluteLoaderFileIsReportedWithEmptyCaptionAndChecksKept) {
  const uint16_t sum = form->Image().PageSum[0];
  const std::string file = folder.Write("tape.bin", std::string(100, '\x55'));  // no block
  ClickWith("StaticText17", file, 2);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, "inform");
  EXPECT_EQ(dialogs.shown[1].text, "Ошибка открытия файла.");
  EXPECT_EQ(dialogs.shown[1].caption, "");
  EXPECT_EQ(form->Image().PageSum[0], sum);
  EXPECT_EQ(Cell("StaticText17")->text(), RomText(0));

  // The third filter reads the same file as a binary after the loader failed.
  ClickWith("StaticText17", file, 3);
  EXPECT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(form->Image().Page(0)[0], 0x55);
  EXPECT_EQ(Cell("StaticText17")->text(), RomText(0));
}

TEST_F(MemoryPage, UnopenableFileReachesTheExceptionReportAndLeavesThePage) {
  std::vector<std::string> reports;
  TQtEnvironment::app->ReportException = [&](const std::string& text) { reports.push_back(text); };
  form->Image().Page(0)[0] = 0x12;
  ClickWith("StaticText17", folder.File("absent.bin"), 1);
  TQtEnvironment::app->ReportException = nullptr;
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_THAT(reports[0], testing::HasSubstr("absent.bin"));
  EXPECT_EQ(form->Image().Page(0)[0], 0x12);
  EXPECT_EQ(dialogs.shown.size(), 1u);  // only the open dialog
}

TEST_F(MemoryPage, ServiceButtonWritesTheLayoutsBankFiles) {
  Open({"-s"});
  ShowSheet(mpMemoryConfig);
  form->ConfigPages().Memory().SetBankFilesFolder(folder.Path());
  form->Image().Page(5)[0] = 0x42;
  Find<QPushButton>("Button35")->click();
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    if (entry.path().filename().string()[0] == 'b') names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names,
              ElementsAre("b2_0.bin", "b3_0.bin", "b4_0.bin", "b5_0.bin", "b6_1.bin", "b6_2.bin"));
  const std::string page5 = TTempFolder::Read(folder.File("b6_2.bin"));
  ASSERT_EQ(page5.size(), kPageSize);
  EXPECT_EQ(page5[0], '\x42');
}

// After a file is opened every configuration page shows the file's content.
TEST_F(MemoryPage, OpeningAFileRefreshesAllConfigurationPages) {
  SetSettingsWord(form->Image(), MemLayout, 20);
  SetSetPointWord(form->Image(), 0, 0123);
  SetSettingsWord(form->Image(), WatchdogMode, 1);
  StoreConfigName(form->Image(), "станок");
  form->Image().Page(4)[0] = 0;
  UpdatePageChecks(form->Image(), 4);
  const std::string path = folder.File("saved.bin");
  dialogs.files.push_back(path);
  Find<QToolButton>("SpeedButton2")->click();
  const TConfigImage saved = form->Image();

  ResetConfigImage(form->Image());
  form->RefreshConfigPages();
  ASSERT_EQ(ComboBox3()->currentIndex(), 0);

  dialogs.files.push_back(path);
  Find<QToolButton>("SpeedButton1")->click();
  EXPECT_EQ(ComboBox3()->currentIndex(), 20);
  // Layout 21: the region of page 4 starts at bank 5 page 6.
  EXPECT_EQ(Cell(MemoryCellComponent(5, 6))->text(), RomText(4));
  EXPECT_EQ(On<QLineEdit>("TabSheet4", "Edit1")->text(), "123");
  EXPECT_EQ(On<QComboBox>("TabSheet1", "ComboBox7")->currentIndex(), 1);
  EXPECT_EQ(On<QLineEdit>("TabSheet1", "Edit9")->text(), QString::fromUtf8("СТАНОК"));
  // The refresh stores the entries' texts again: the same bytes.
  EXPECT_TRUE(form->Image().SettingsBlock == saved.SettingsBlock);
  EXPECT_TRUE(form->Image().SetPointBlock == saved.SetPointBlock);
}

}  // namespace
}  // namespace karvelm
