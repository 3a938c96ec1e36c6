// The program's command line: the service switch, which counts only as the first argument
// and only in its exact case, and the simulator mode and the packet trace anywhere.
#pragma once

#include <string>
#include <vector>

namespace karvelm {

constexpr const char* kServiceSwitch = "-s";
constexpr const char* kSimulatorSwitch = "--simulator";
constexpr const char* kTraceSwitch = "--trace";  // --trace FILE or --trace=FILE

struct TCommandLine {
  bool serviceMode = false;  // reveals the service functions
  bool simulator = false;    // every link kind opens on the in-process module simulator
  std::string traceFile;     // the packet trace of every link; empty: none (the default)
};

// arguments: without the program name.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// What --help (-h) or --version print, whichever comes first among the arguments; empty when
// neither is given. Answered before any window is made, so no display is needed.
std::string InformationText(const std::vector<std::string>& arguments);

}  // namespace karvelm
