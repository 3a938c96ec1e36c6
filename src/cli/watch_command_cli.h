// Recording live values: karvelm watch bus|io|dac|sensors --csv FILE [--interval S] [--count N].
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeWatchCommand();

}  // namespace karvelm::cli
