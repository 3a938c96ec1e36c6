// "Сравнить с файлом…" of the file menu without its table: the open configuration against a
// configuration file chosen through the open dialog. The window shows the result.
#pragma once

#include <optional>
#include <string>

#include "app/shell_window.h"
#include "base/user_dialogs.h"
#include "config/config_diff.h"
#include "config/config_image.h"

namespace karvelm {

constexpr const char* kCompareMenuText = "Сравнить с файлом…";
constexpr const char* kCompareDialogTitle = "Сравнить с файлом";
constexpr const char* kCompareDialogName = "CompareDialog";

struct TFileComparison {
  std::string path;
  TConfigDiff diff;  // a: the open configuration, b: the file
};

TFileDialogRequest CompareDialogRequest();

// Nothing when the dialog was cancelled or the file could not be opened whole (the user was
// told why, as opening it would tell); the open configuration is never changed.
std::optional<TFileComparison> CompareWithFile(TShellWindow& window, const TConfigImage& image);

}  // namespace karvelm
