// The tool's offline commands on configuration files: file new, file show.
#pragma once

#include "cli/cli_context.h"

namespace karvelm::cli {

int RunFileNew(const TCliContext& context);
int RunFileShow(const TCliContext& context);

}  // namespace karvelm::cli
