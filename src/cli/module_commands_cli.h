// The tool's commands that talk to the module: identify, restart, bus read, bus write.
#pragma once

#include "cli/cli_context.h"

namespace karvelm::cli {

int RunIdentify(const TCliContext& context);
int RunRestart(const TCliContext& context);
int RunBusRead(const TCliContext& context);
int RunBusWrite(const TCliContext& context);

}  // namespace karvelm::cli
