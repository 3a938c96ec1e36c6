// The tool's commands of the DAC and position-sensor pages: dac show|set|correct|save|sawtooth,
// sensors, test count.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeDacShowCommand();
std::unique_ptr<TCliCommand> MakeDacSetCommand();
std::unique_ptr<TCliCommand> MakeDacCorrectCommand();
std::unique_ptr<TCliCommand> MakeDacSaveCommand();
std::unique_ptr<TCliCommand> MakeDacSawtoothCommand();
std::unique_ptr<TCliCommand> MakeSensorsCommand();
std::unique_ptr<TCliCommand> MakeTestCountCommand();

}  // namespace karvelm::cli
