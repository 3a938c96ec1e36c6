// The tool's commands that move a stored configuration: config read, config write.
#pragma once

#include "cli/cli_context.h"

namespace karvelm::cli {

int RunConfigRead(const TCliContext& context);
int RunConfigWrite(const TCliContext& context);

}  // namespace karvelm::cli
