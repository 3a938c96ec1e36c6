#include "app/command_line.h"

#include <algorithm>

#include "base/version.h"

namespace karvelm {

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine result;
  result.serviceMode = !arguments.empty() && arguments.front() == kServiceSwitch;
  result.simulator =
      std::find(arguments.begin(), arguments.end(), kSimulatorSwitch) != arguments.end();
  const std::string traceEquals = std::string(kTraceSwitch) + "=";
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == kTraceSwitch && i + 1 < arguments.size())
      result.traceFile = arguments[++i];
    else if (arguments[i].rfind(traceEquals, 0) == 0)
      result.traceFile = arguments[i].substr(traceEquals.size());
  }
  return result;
}

namespace {

constexpr const char* kUsageText =
    "usage: KarvelMcfg [-s] [--simulator] [Qt options]\n"
    "\n"
    "The KarvelM module configurator (Russian user interface): device parameters, memory\n"
    "configuration and ROM page images, set-points, the console terminal, diagnostics and\n"
    "firmware updates over USB (first or second generation) or Ethernet.\n"
    "\n"
    "  -s             as the first argument: reveal the service functions\n"
    "  --simulator    run every link kind on the built-in simulated module\n"
    "  --trace FILE   write every packet to and from the module to FILE as JSON Lines\n"
    "  --help, -h     this text\n"
    "  --version      the program version\n"
    "\n"
    "Settings live in KarvelMcfg.ini beside the program, or in $XDG_CONFIG_HOME (else\n"
    "~/.config) when that folder is not writable. Qt's standard options such as\n"
    "-platform NAME apply as well.\n";

}  // namespace

std::string InformationText(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") return kUsageText;
    if (argument == "--version") return VersionLine("KarvelMcfg") + "\n";
  }
  return {};
}

}  // namespace karvelm
