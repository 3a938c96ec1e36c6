// The service report: karvelm report --out FOLDER [--loopback ...] [--count ...].
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeReportCommand();

}  // namespace karvelm::cli
