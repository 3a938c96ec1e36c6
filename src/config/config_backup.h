// Backups before an overwrite: the stored configuration about to be replaced is read from
// the bootloader (the same read as a configuration read) and saved as an ordinary
// configuration file in the backups folder.
#pragma once

#include <span>
#include <string>

#include "base/user_dialogs.h"
#include "config/config_transfer.h"

namespace karvelm {

struct TBackupResult {
  bool loaderAnswered = false;  // false: nothing was read (and nothing could be overwritten)
  bool ok = false;
  std::string path;    // the file saved
  std::string reason;  // why there is no backup, one line
};

// Reads stored configuration configIndex (0 or 1) and saves it in folder (created when
// missing), named by the time, the link kind, the firmware version and the configuration
// number; then keeps only the newest kBackupsKept. A read with any block missing is no
// backup: nothing is saved. progress and bytes follow the read as in ReadConfiguration.
TBackupResult BackupConfiguration(int configIndex, const std::string& folder,
                                  const TConfigProgress& progress = {},
                                  const TByteProgress& bytes = {});

// The backups before an overwrite, in BackupFolder(): empty when every configuration in
// configIndexes was saved, or when the bootloader does not answer (then the overwrite cannot
// happen either and reports that itself); else the text telling the user which backup
// failed and why.
std::string BackUpForOverwrite(std::span<const int> configIndexes,
                               const TConfigProgress& progress = {});

// Asks whether to overwrite without the backup that failed: the failure, then goOnQuestion;
// Cancel is the default. True: go on.
bool GoOnWithoutBackup(TUserDialogs& dialogs, const std::string& failure,
                       const std::string& goOnQuestion, const std::string& caption);

// The failure's first line: "Не удалось сохранить резервную копию конфигурации N: reason".
std::string BackupFailedText(int configIndex, const std::string& reason);

}  // namespace karvelm
