// The tool's offline commands on configuration files: file new, file show.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeFileNewCommand();
std::unique_ptr<TCliCommand> MakeFileShowCommand();

}  // namespace karvelm::cli
