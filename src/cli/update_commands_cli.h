// The tool's firmware commands: the module's own update through its bootloader, the versions
// of the update page, and an accessory's update through the running firmware.
#pragma once

#include "cli/cli_commands.h"

namespace karvelm::cli {

std::unique_ptr<TCliCommand> MakeFirmwareUpdateCommand();
std::unique_ptr<TCliCommand> MakeVersionsCommand();
std::unique_ptr<TCliCommand> MakeAccessoryUpdateCommand();

}  // namespace karvelm::cli
