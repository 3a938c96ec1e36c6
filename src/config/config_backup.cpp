#include "config/config_backup.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "config/backup_store.h"
#include "config/backup_texts.h"
#include "config/config_file.h"
#include "config/config_texts.h"
#include "link/ext_intf.h"
#include "link/module_commands.h"

namespace karvelm {

namespace {

std::string MissingBlocks(const TReadConfigResult& result) {
  std::string text;
  auto add = [&text](const std::string& name) { text += (text.empty() ? "" : ", ") + name; };
  if (!result.commonOk) add("common block");
  if (!result.settingsOk) add("settings block");
  if (!result.setPointOk) add("set-point block");
  for (int page = 0; page < kPageCount; ++page)
    if (!result.pageOk[page]) add("page " + std::to_string(page));
  return text;
}

}  // namespace

std::string BackupFailedText(int configIndex, const std::string& reason) {
  char head[160];
  std::snprintf(head, sizeof head, kBackupFailedFormat, configIndex + 1);
  return std::string(head) + ": " + reason;
}

TBackupResult BackupConfiguration(int configIndex, const std::string& folder,
                                  const TConfigProgress& progress, const TByteProgress& bytes) {
  TBackupResult result;
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  const TReadConfigResult read = ReadConfiguration(*image, configIndex, progress, bytes);
  result.loaderAnswered = read.loaderAnswered;
  if (!read.AllOk()) {
    result.reason = read.loaderAnswered
                        ? std::string(kReadSettingsErrorText) + " (" + MissingBlocks(read) + ")"
                        : "the bootloader does not answer";
    return result;
  }
  if (folder.empty()) {
    result.reason = kNoBackupFolderText;
    return result;
  }

  TBackupInfo info;
  info.link = ActiveLink ? ActiveLink->IntfType() : itUDP;
  info.configNumber = configIndex + 1;
  // The bootloader tells the firmware's version; a backup without it is still a backup.
  if (uint32_t word = 0; GetOtherVersion(word)) info.firmwareVersion = word;
  info.time =
      std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());

  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    result.reason = "cannot create " + folder + ": " + error.message();
    return result;
  }
  // Two backups of one configuration in one millisecond must not share a file.
  std::string path;
  for (;;) {
    path = (std::filesystem::path(folder) / BackupFileName(info)).string();
    if (!std::filesystem::exists(path, error)) break;
    info.time += std::chrono::milliseconds(1);
  }
  const TConfigFileResult saved = SaveConfigImageFile(path, *image);
  if (!saved.ok()) {
    result.reason = saved.message;
    return result;
  }
  result.ok = true;
  result.path = path;
  PruneBackups(folder);
  return result;
}

std::string BackUpForOverwrite(std::span<const int> configIndexes,
                               const TConfigProgress& progress) {
  const std::string folder = BackupFolder();
  for (int configIndex : configIndexes) {
    const TBackupResult backup = BackupConfiguration(configIndex, folder, progress);
    if (!backup.loaderAnswered) return {};
    if (!backup.ok) return BackupFailedText(configIndex, backup.reason);
  }
  return {};
}

bool GoOnWithoutBackup(TUserDialogs& dialogs, const std::string& failure,
                       const std::string& goOnQuestion, const std::string& caption) {
  return dialogs.AskOkCancelDefaultCancel(failure + "\n" + goOnQuestion, caption);
}

}  // namespace karvelm
