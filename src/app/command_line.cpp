#include "app/command_line.h"

#include <algorithm>

namespace karvelm {

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine result;
  result.serviceMode = !arguments.empty() && arguments.front() == kServiceSwitch;
  result.simulator =
      std::find(arguments.begin(), arguments.end(), kSimulatorSwitch) != arguments.end();
  return result;
}

}  // namespace karvelm
