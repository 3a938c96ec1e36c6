// Texts of the backups and of the read-back check, shared by the desktop program and the
// command-line tool.
#pragma once

namespace karvelm {

constexpr const char* kBackupFailedFormat = "Не удалось сохранить резервную копию конфигурации %d";
constexpr const char* kWriteWithoutBackupQuestion = "Записать конфигурацию без резервной копии?";
constexpr const char* kUpdateWithoutBackupQuestion = "Обновить ПО без резервной копии?";
constexpr const char* kOpenBackupDialogTitle = "Открыть резервную копию";
constexpr const char* kWriteCheckFailedText = "Проверка записи не пройдена: ";
constexpr const char* kNoBackupFolderText =
    "no folder for backups (neither XDG_DATA_HOME nor HOME is set)";

}  // namespace karvelm
