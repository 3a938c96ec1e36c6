// The report's two files in one folder: report.json and report.html.
#pragma once

#include <string>

#include "report/module_report.h"

namespace karvelm {

constexpr const char* kReportJsonName = "report.json";
constexpr const char* kReportHtmlName = "report.html";

struct TReportFilesResult {
  bool ok = false;
  std::string error;     // why not, when not ok
  std::string jsonPath;  // folder + "/report.json"
  std::string htmlPath;
};

// Makes the folder when missing and checks that files can be made in it, before the module
// is read: a report that cannot be written should not first spend a minute on tests.
bool PrepareReportFolder(const std::string& folder, std::string& error);

// Creates the folder when missing and replaces each file whole (a temporary beside it,
// renamed), so an earlier report is never left half overwritten.
TReportFilesResult WriteReportFiles(const std::string& folder, const TModuleReport& report);

// Writes text to path through a temporary beside it; the reason on failure.
bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error);

}  // namespace karvelm
