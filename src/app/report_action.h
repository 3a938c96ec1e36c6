// The help menu's "Отчёт о модуле…": the service report of the module the window talks to,
// written into a folder the user picks. No UI here: the caller opens the page it returns.
#pragma once

#include <optional>
#include <string>

#include "base/shell_services.h"

namespace karvelm {

inline constexpr const char* kReportMenuCaption = "Отчёт о модуле…";
inline constexpr const char* kReportFolderTitle = "Папка для отчёта о модуле";
inline constexpr const char* kReportErrorCaption = "Отчёт о модуле";

// Asks for the folder, reads the module with Timer1 off and the hourglass on (both stored
// configurations through the bootloader, the firmware restarted after when it ran), and
// writes report.json and report.html. The HTML's path, or nothing when the user cancelled or
// the files could not be written (the user is told why).
std::optional<std::string> WriteModuleReport(TShellServices& services, const std::string& link);

}  // namespace karvelm
