// The tool's commands that talk to the module: identify, restart, bus read, bus write.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeIdentifyCommand();
std::unique_ptr<TCliCommand> MakeRestartCommand();
std::unique_ptr<TCliCommand> MakeBusReadCommand();
std::unique_ptr<TCliCommand> MakeBusWriteCommand();

}  // namespace karvelm::cli
