// Opening and saving configuration files from the main window (tool-bar buttons and the
// "Файл" menu): dialogs, caption, messages and page refresh around the file functions.
#pragma once

#include "app/shell_host.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"

namespace karvelm {

// OpenDialog2 and SaveDialog1.
TFileDialogRequest OpenConfigDialogRequest();
TFileDialogRequest SaveConfigDialogRequest();

void OpenConfigFile(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image);
void SaveConfigFile(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image);

}  // namespace karvelm
