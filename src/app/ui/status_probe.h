// Status watch for tests that run the program as a whole: with KARVELM_STATUS_PROBE in the
// environment, the program prints the module state of its status panel on standard output
// each time it changes, and closes its window (the settings saved as on any close) once that
// state reads the variable's value. Without the variable nothing changes.
#pragma once

class QWidget;

namespace karvelm {

constexpr const char* kStatusProbeVariable = "KARVELM_STATUS_PROBE";
// The line printed for each state, followed by its text.
constexpr const char* kStatusProbeLine = "status: ";

// Watches window's StaticText11 when the variable is set; does nothing otherwise.
void InstallStatusProbe(QWidget& window);

}  // namespace karvelm
