// Opening and saving configuration files from the main window (tool-bar buttons and the
// "Файл" menu): dialogs, caption, messages and page refresh around the file functions.
#pragma once

#include "app/shell_window.h"
#include "base/user_dialogs.h"
#include "config/config_image.h"

namespace karvelm {

// OpenDialog2 and SaveDialog1.
TFileDialogRequest OpenConfigDialogRequest();
TFileDialogRequest SaveConfigDialogRequest();

void OpenConfigFile(TShellWindow& window, TConfigImage& image);
// The open dialog on the backups folder; the file chosen opens as OpenConfigFile opens one.
TFileDialogRequest OpenBackupDialogRequest();
void OpenBackupFile(TShellWindow& window, TConfigImage& image);
void SaveConfigFile(TShellWindow& window, TConfigImage& image);

}  // namespace karvelm
