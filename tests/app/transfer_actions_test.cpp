#include "app/transfer_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <memory>
#include <optional>
#include <string>

#include "app/app_texts.h"
#include "config/backup_store.h"
#include "config/config_fields.h"
#include "link/commands.h"
#include "shell_fixture.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

class TransferActions : public ShellFixture {
 protected:
  TConfigImage image{};
};

TEST_F(TransferActions, ReadRefusedByTheLoaderIsReportedAndThePagesRefreshed) {
  Open(itUDP, Running(spLoader));
  Sim().SetHandler(spLoader, cmdOpenRead,
                   [](TModuleSim& sim, const TSimRequest& request) { sim.Fail(request); });
  host.caption = "x - file.bin";
  ReadConfigurationWithProgress(host, image, 0);
  EXPECT_EQ(host.caption, BaseTitle());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Ошибка считывания настроек.");
  EXPECT_EQ(dialogs.shown[0].caption, "Считывание настроек");
  EXPECT_FALSE(host.progressVisible);
  EXPECT_THAT(host.progress, testing::ElementsAre(0));
  EXPECT_EQ(host.log.back(), "refresh config pages");
  EXPECT_EQ(host.busyDepth, 0);
  EXPECT_GE(host.maxBusyDepth, 1);
}

TEST_F(TransferActions, FirmwareInsteadOfTheLoaderEndsSilently) {
  Open(itHID_NEW, Running(spFirmware));
  ReadConfigurationWithProgress(host, image, 1);
  WriteConfigurationWithProgress(host, image, 1);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(host.caption, BaseTitle());
  EXPECT_FALSE(host.progressVisible);
  EXPECT_TRUE(host.progress.empty());
  EXPECT_THAT(host.log, testing::Contains("refresh config pages"));
  EXPECT_EQ(host.busyDepth, 0);
  auto codes = TakeCodes();
  EXPECT_FALSE(Contains(codes, cmdOpenRead));
  EXPECT_FALSE(Contains(codes, cmdWriteConfig));
}

TEST_F(TransferActions, WriteWhosePieceIsLostTellsTheUser) {
  Open(itUDP, Running(spLoader));
  // The module takes the announced length but acknowledges no piece.
  Sim().SetHandler(spLoader, cmdWriteConfig, [](TModuleSim& sim, const TSimRequest& request) {
    sim.Reply(request);
    sim.SetDataSink([](TModuleSim&, const TSimRequest&) {});
  });
  WriteConfigurationWithProgress(host, image, 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Ошибка записи настроек.");
  EXPECT_EQ(dialogs.shown[0].caption, "Запись настроек");
  EXPECT_FALSE(host.progressVisible);
  EXPECT_EQ(host.busyDepth, 0);
}

// Writes with their backup and read-back check; the backups go to a folder of the test's own.
class GuardedWrite : public TransferActions {
 protected:
  void SetUp() override {
    TransferActions::SetUp();
    if (const char* old = ::getenv("XDG_DATA_HOME")) oldDataHome = old;
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    ResetConfigImage(image);
    SetSetPointWord(image, 7, 0x7777);
    for (size_t i = 0; i < kMemoryImageSize; i += 3) image.MemoryImage[i] = 0x33;
  }
  void TearDown() override {
    oldDataHome ? ::setenv("XDG_DATA_HOME", oldDataHome->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    TransferActions::TearDown();
  }
  // The module's stored configuration as an image.
  std::unique_ptr<TConfigImage> Stored(int configIndex) {
    auto stored = std::make_unique<TConfigImage>();
    ResetConfigImage(*stored);
    Sim().Storage().Store(configIndex, *stored);
    return stored;
  }
  bool StoredIsImage(int configIndex) {
    auto stored = Stored(configIndex);
    return stored->SettingsBlock == image.SettingsBlock &&
           stored->SetPointBlock == image.SetPointBlock && stored->MemoryImage == image.MemoryImage;
  }

  TTempFolder data;
  std::optional<std::string> oldDataHome;
};

TEST_F(GuardedWrite, GoodWriteLeavesABackupAndSaysNothing) {
  Open(itUDP, Running(spLoader));
  WriteConfigurationWithProgress(host, image, 1);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(StoredIsImage(1));
  const auto backups = ListBackups(BackupFolder());
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(backups[0].configNumber, 2);
  EXPECT_FALSE(host.progressVisible);
  EXPECT_EQ(host.busyDepth, 0);
  // Backup read, write, read-back, in that order.
  std::vector<uint8_t> codes = TakeCodes();
  const auto write = std::find(codes.begin(), codes.end(), cmdWriteConfig);
  ASSERT_NE(write, codes.end());
  EXPECT_TRUE(std::find(codes.begin(), write, cmdOpenRead) != write);
  EXPECT_TRUE(std::find(write, codes.end(), cmdOpenRead) != codes.end());
}

TEST_F(GuardedWrite, FailedBackupAsksAndCancelWritesNothing) {
  for (const bool goOn : {false, true}) {
    SCOPED_TRACE(goOn);
    Open(itHID_NEW, Running(spLoader));
    Sim().Faults().failReadAt = kCommonBlockAddress;  // no backup can be read
    dialogs.shown.clear();
    dialogs.answers = {goOn};
    WriteConfigurationWithProgress(host, image, 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "ask-cancel") << "Cancel is the default";
    EXPECT_EQ(dialogs.shown[0].text,
              "Не удалось сохранить резервную копию конфигурации 1: Ошибка считывания настроек. "
              "(common block)\nЗаписать конфигурацию без резервной копии?");
    EXPECT_EQ(dialogs.shown[0].caption, "Запись настроек");
    EXPECT_EQ(Contains(TakeCodes(), cmdWriteConfig), goOn);
    EXPECT_EQ(StoredIsImage(0), goOn);
    EXPECT_TRUE(host.timerEnabled);
    EXPECT_EQ(host.busyDepth, 0);
    EXPECT_FALSE(host.progressVisible);
  }
}

TEST_F(GuardedWrite, ByteStoredWronglyIsReported) {
  Open(itHID_OLD, Running(spLoader));
  Sim().Faults().corruptWriteAt = kSetPointAddress[0] + 14;
  WriteConfigurationWithProgress(host, image, 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "inform");
  EXPECT_EQ(dialogs.shown[0].text,
            "Проверка записи не пройдена: блок уставок, смещение 0x000E: записано 0x77, "
            "считано 0x88");
  EXPECT_EQ(dialogs.shown[0].caption, "Запись настроек");
}

}  // namespace
}  // namespace karvelm
