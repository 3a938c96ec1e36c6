// Opening and saving configuration files from the tool bar and the "Файл" menu.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "config/backup_store.h"
#include "config/config_file.h"
#include "main_form_fixture.h"

namespace karvelm {
namespace {

const QString kBase = QString::fromUtf8("Конфигуратор модуля KarvelM v 1.97");

class ConfigFiles : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
    Start();
  }
  std::string SaveBlank(const std::string& typed) {
    dialogs.files.push_back(folder.File(typed));
    Find<QToolButton>("SpeedButton2")->click();
    return folder.File(typed);
  }
};

TEST_F(ConfigFiles, SavingTheBlankImageWritesTheKnownFile) {
  std::string path = SaveBlank("blank");  // the default extension is added
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "save");
  EXPECT_EQ(dialogs.shown[0].request.title, "Сохранение конфигураций");
  EXPECT_EQ(dialogs.shown[0].request.filter, "Двоичный файл|*.bin");
  EXPECT_EQ(dialogs.shown[0].request.defaultExtension, "bin");
  std::string bytes = TTempFolder::Read(path + ".bin");
  ASSERT_EQ(bytes.size(), 24299u);
  EXPECT_EQ(bytes.substr(0, 10), std::string("\x00\x08\x01\x0F\x82\x01\x84\x00\x4A\x8A", 10));
  EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\x00\x06\x01\x07\x86\x00\x80\x65", 8));
  // The whole file is the core's file of a freshly reset image: nothing the window does at
  // creation may have touched the image.
  auto fresh = std::make_unique<TConfigImage>();
  ResetConfigImage(*fresh);
  ASSERT_TRUE(SaveConfigImageFile(folder.File("core.bin"), *fresh).ok());
  const std::string core = TTempFolder::Read(folder.File("core.bin"));
  ASSERT_EQ(core.size(), bytes.size());
  EXPECT_TRUE(bytes == core) << "first difference at byte "
                             << std::mismatch(bytes.begin(), bytes.end(), core.begin()).first -
                                    bytes.begin();
  EXPECT_EQ(form->windowTitle(), kBase + " - blank.bin");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ConfigFiles, OpeningRestoresTheImageAndNamesTheFile) {
  std::string path = SaveBlank("saved.bin");
  TConfigImage expected = form->Image();
  SetSettingsWord(form->Image(), 3, 0x1234);
  form->Image().Page(2)[5] = 0;
  dialogs.files.push_back(path);
  Action("N4")->trigger();
  EXPECT_EQ(dialogs.shown.back().kind, "open");
  EXPECT_EQ(dialogs.shown.back().request.title, "Открытие файла конфигураций");
  EXPECT_EQ(dialogs.shown.back().request.filter, "Бинарный файл|*.bin|Все файлы|*.*");
  EXPECT_TRUE(form->Image().SettingsBlock == expected.SettingsBlock);
  EXPECT_TRUE(form->Image().MemoryImage == expected.MemoryImage);
  for (int page = 0; page < kPageCount; ++page) {
    EXPECT_EQ(form->Image().PageSum[page], 0xFFFF);
    EXPECT_EQ(form->Image().PageCrc[page], 0x3FFF);
  }
  EXPECT_EQ(form->windowTitle(), kBase + " - saved.bin");
}

TEST_F(ConfigFiles, CorruptedFileIsReportedAndTheChecksCleared) {
  std::string path = SaveBlank("bad.bin");
  std::string bytes = TTempFolder::Read(path);
  bytes[30] = static_cast<char>(bytes[30] ^ 0x01);  // inside the second frame
  folder.Write("bad.bin", bytes);
  dialogs.files.push_back(path);
  Find<QToolButton>("SpeedButton1")->click();
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[2].text, "Ошибка открытия файла");
  EXPECT_EQ(dialogs.shown[2].caption, "Открытие файла настроек");
  for (int page = 0; page < kPageCount; ++page) {
    EXPECT_EQ(form->Image().PageSum[page], 0);
    EXPECT_EQ(form->Image().PageCrc[page], 0);
  }
  EXPECT_EQ(form->windowTitle(), kBase);
}

TEST_F(ConfigFiles, MissingFileGivesTheRuntimeErrorAndChangesNothing) {
  SaveBlank("named.bin");
  TConfigImage before = form->Image();
  dialogs.files.push_back(folder.File("absent.bin"));
  Find<QToolButton>("SpeedButton1")->click();
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_THAT(dialogs.shown[2].text,
              testing::StartsWith("Cannot open file \"" + folder.File("absent.bin") + "\". "));
  EXPECT_EQ(form->windowTitle(), kBase);
  EXPECT_TRUE(form->Image().PageSum == before.PageSum);

  dialogs.files.push_back(folder.File("no/such/folder/x.bin"));
  Find<QToolButton>("SpeedButton2")->click();
  EXPECT_THAT(dialogs.shown.back().text, testing::StartsWith("Cannot create file \""));
}

TEST_F(ConfigFiles, CancelledDialogsChangeNothing) {
  SaveBlank("kept.bin");
  Find<QToolButton>("SpeedButton1")->click();  // no file scripted: cancel
  Find<QToolButton>("SpeedButton2")->click();
  EXPECT_EQ(form->windowTitle(), kBase + " - kept.bin");
  EXPECT_EQ(dialogs.shown.size(), 3u);
}

// "Открыть резервную копию…": the open dialog starts in the backups folder, and the file
// chosen opens as any configuration file does.
TEST_F(ConfigFiles, BackupOpensFromTheBackupsFolder) {
  std::string path = SaveBlank("kept.bin");
  SetSettingsWord(form->Image(), 3, 0x1234);
  dialogs.files.push_back(path);
  QAction* action = Action("NOpenBackup");
  EXPECT_EQ(action->text(), QString::fromUtf8("Открыть резервную копию…"));
  action->trigger();
  ASSERT_EQ(dialogs.shown.back().kind, "open");
  EXPECT_EQ(dialogs.shown.back().request.title, "Открыть резервную копию");
  EXPECT_EQ(dialogs.shown.back().request.directory, BackupFolder());
  EXPECT_FALSE(BackupFolder().empty());
  EXPECT_EQ(dialogs.shown.back().request.filter, "Бинарный файл|*.bin|Все файлы|*.*");
  EXPECT_EQ(SettingsWord(form->Image(), 3), 0);
  EXPECT_EQ(form->windowTitle(), kBase + " - kept.bin");
}

}  // namespace
}  // namespace karvelm
