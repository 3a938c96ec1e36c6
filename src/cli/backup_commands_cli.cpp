#include "cli/backup_commands_cli.h"

#include "cli/cli_link.h"
#include "cli/json_text.h"
#include "cli/progress_line.h"
#include "config/backup_store.h"
#include "config/backup_texts.h"
#include "config/config_backup.h"

namespace karvelm::cli {

int BackUpBeforeOverwrite(const TCliContext& context, std::span<const int> configIndexes,
                          std::vector<std::string>& saved) {
  if (context.options.noBackup) return kExitDone;
  const std::string folder = BackupFolder();
  for (int configIndex : configIndexes) {
    TBackupResult backup;
    {
      const auto line = MakeProgressLine(context, "backup " + std::to_string(configIndex + 1));
      backup = BackupConfiguration(configIndex, folder, {}, line->Sink());
    }  // the line is ended before any failure is told
    if (backup.ok) {
      saved.push_back(backup.path);
      continue;
    }
    if (!backup.loaderAnswered) return context.Fail(kNoLoaderText);
    return context.Fail(BackupFailedText(configIndex, backup.reason) +
                        "\nnothing was written (--no-backup goes on without a backup)");
  }
  return kExitDone;
}

namespace {

class TBackups final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("backups takes no arguments", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    const std::string folder = BackupFolder();
    if (folder.empty()) return context.Fail(kNoBackupFolderText);
    const std::vector<TBackupEntry> entries = ListBackups(folder);
    if (context.options.json) {
      TJson json;
      json["folder"] = folder;
      TJson list = TJson::array();
      for (const TBackupEntry& entry : entries) {
        TJson item;
        item["file"] = entry.path;
        item["time"] = entry.time;
        item["link"] = entry.link;
        item["firmware_version"] = entry.firmware.empty() ? TJson(nullptr) : TJson(entry.firmware);
        item["config"] = entry.configNumber;
        item["bytes"] = entry.bytes;
        list.push_back(std::move(item));
      }
      json["backups"] = std::move(list);
      context.out << JsonText(json) << '\n';
      return kExitDone;
    }
    context.out << folder << ": " << entries.size() << " backup" << (entries.size() == 1 ? "" : "s")
                << ", newest first\n";
    for (const TBackupEntry& entry : entries) {
      context.out << entry.time << "  " << entry.link << "  firmware "
                  << (entry.firmware.empty() ? "-" : entry.firmware) << "  config "
                  << entry.configNumber << "  " << entry.name << '\n';
    }
    return kExitDone;
  }
};

}  // namespace

std::unique_ptr<TCliCommand> MakeBackupsCommand() {
  return std::make_unique<TBackups>();
}

}  // namespace karvelm::cli
