// The tool's `file page`: a ROM page image into a configuration file.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

// file page FILE PAGE IMAGE [--format bin|lda|auto]: reads FILE as the configurator's open
// does, loads IMAGE into page 0..15 with the memory page's reading rules (auto: the absolute
// loader, then raw binary, as under "Все файлы"), and saves FILE atomically. FILE is left
// untouched when anything fails.
std::unique_ptr<TCliCommand> MakeFilePageCommand();

}  // namespace karvelm::cli
