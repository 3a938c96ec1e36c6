// The tool's console commands: the screen once, keys typed, and the live terminal.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeScreenCommand();
std::unique_ptr<TCliCommand> MakeKeysCommand();
std::unique_ptr<TCliCommand> MakeTerminalCommand();

}  // namespace karvelm::cli
