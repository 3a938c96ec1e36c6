// The tool's command rows: the words, what the command needs from the module, the options it
// accepts, its usage line, and the command itself. A new command is one row here and one
// handler file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_context.h"

namespace karvelm::cli {

// Which program the command needs, brought about before the command runs.
enum TProgramNeed {
  pnNone,        // offline: no link
  pnAny,         // the link open, nothing probed (the command probes itself)
  pnFirmware,    // the firmware answers now
  pnBootloader,  // the bootloader answers now
  pnEnterLoader  // the bootloader, entered from the firmware and waited for if need be
};

// One command in two steps: Prepare checks the arguments and what is local (files) before
// any link is opened; Run does the work, the module then being in the program the row needs.
class TCliCommand {
 public:
  virtual ~TCliCommand() = default;
  virtual int Prepare(const TCliContext&) { return kExitDone; }
  virtual int Run(const TCliContext& context) = 0;
};

using TCommandFactory = std::unique_ptr<TCliCommand> (*)();

struct TCommandRow {
  const char* first;
  const char* second;    // nullptr: a one-word command
  TCommandFactory make;  // nullptr: not available yet
  TProgramNeed needs;
  unsigned options;     // TOptionBit accepted besides --help
  const char* usage;    // the words and the arguments
  const char* summary;  // one line for --help
};

const std::vector<TCommandRow>& CommandRows();

// The row whose words begin words, or nullptr.
const TCommandRow* FindCommand(const std::vector<std::string>& words);

// "bus read": the row's words.
std::string CommandName(const TCommandRow& row);

// The usage text printed for --help, made from the rows and the options.
std::string UsageText();

}  // namespace karvelm::cli
