// The main window's part of a configuration transfer run by the tick in the bootloader:
// caption, hourglass, ProgressBar2, the failure messages and the page refresh.
#pragma once

#include "app/shell_window.h"
#include "config/config_image.h"

namespace karvelm {

void ReadConfigurationWithProgress(TShellWindow& window, TConfigImage& image, int configIndex);
void WriteConfigurationWithProgress(TShellWindow& window, TConfigImage& image, int configIndex);

}  // namespace karvelm
