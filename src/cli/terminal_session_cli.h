// The live console in the user's terminal: the module's screen redrawn in place, local keys
// sent to its keyboard.
#pragma once

#include "cli/cli_context.h"

namespace karvelm::cli {

// Runs until Ctrl-] or SIGINT (exit 0), SIGTERM or SIGHUP (exit 1). stdin and stdout must
// be a terminal; the terminal is left as it was found on every way out.
int RunTerminalSession(const TCliContext& context);

}  // namespace karvelm::cli
