// The tool's commands that move a stored configuration: config read, config write.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeConfigReadCommand();
std::unique_ptr<TCliCommand> MakeConfigWriteCommand();

}  // namespace karvelm::cli
