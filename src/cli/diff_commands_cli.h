// Comparing configurations: two files (file diff), or a stored configuration of the module
// against a file (config diff). Exit 0 when they are equal, 1 when they differ.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeFileDiffCommand();
std::unique_ptr<TCliCommand> MakeConfigDiffCommand();

}  // namespace karvelm::cli
