// The main window's part of a configuration transfer run by the tick in the bootloader:
// caption, hourglass, ProgressBar2, the failure messages and the page refresh.
#pragma once

#include "app/shell_host.h"
#include "app/user_dialogs.h"
#include "config/config_image.h"

namespace karvelm {

void ReadConfigurationWithProgress(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image,
                                   int configIndex);
void WriteConfigurationWithProgress(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image,
                                    int configIndex);

}  // namespace karvelm
