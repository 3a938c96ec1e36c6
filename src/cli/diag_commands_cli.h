// The tool's diagnostics commands: bus scan and test loopback.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeBusScanCommand();
std::unique_ptr<TCliCommand> MakeTestLoopbackCommand();

}  // namespace karvelm::cli
