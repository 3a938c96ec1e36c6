// Start-up timing for the benchmark: with KARVELM_STARTUP_PROBE in the environment, the
// program prints the milliseconds from the start of main to its main window shown and
// painted, and leaves at once. The interface dialog is not shown, no link is opened and the
// settings file is not written, so a probe run changes nothing.
#pragma once

#include <chrono>

class QWidget;

namespace karvelm {

constexpr const char* kStartupProbeVariable = "KARVELM_STARTUP_PROBE";
// The line printed on standard output, followed by the milliseconds.
constexpr const char* kStartupProbeLine = "window shown after ms ";

// Watches window when the variable is set; does nothing otherwise.
void InstallStartupProbe(QWidget& window, std::chrono::steady_clock::time_point started);

}  // namespace karvelm
