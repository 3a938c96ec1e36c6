#include "base/ui/guarded_connect.h"

#include <exception>

namespace karvelm {

namespace {

std::function<void(const std::string&)>& Report() {
  static std::function<void(const std::string&)> report;
  return report;
}

}  // namespace

void SetExceptionReport(std::function<void(const std::string&)> report) {
  Report() = std::move(report);
}

void ReportCurrentException() noexcept {
  std::string text;
  try {
    throw;
  } catch (const std::exception& error) {
    text = error.what();
  } catch (...) {
    text = "Unknown exception.";
  }
  // The report shows a message box; what goes wrong there has nowhere else to go.
  try {
    if (Report()) Report()(text);
  } catch (...) {
  }
}

}  // namespace karvelm
