#include "app/command_line.h"

#include <algorithm>

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

}  // namespace karvelm
