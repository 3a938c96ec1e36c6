// Backups before the overwriting commands, and the backups listing.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_commands.h"

namespace karvelm::cli {

// Backs up each stored configuration in configIndexes before an overwrite, unless
// --no-backup, each read with its progress line ("backup N"). kExitDone, or the failure's exit code
// after its reason went to stderr (the overwrite must then not happen). saved gets the files
// written.
int BackUpBeforeOverwrite(const TCliContext& context, std::span<const int> configIndexes,
                          std::vector<std::string>& saved);

std::unique_ptr<TCliCommand> MakeBackupsCommand();

}  // namespace karvelm::cli
