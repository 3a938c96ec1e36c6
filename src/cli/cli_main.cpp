#include "cli/cli_main.h"

#include <exception>

#include "cli/cli_context.h"
#include "cli/cli_options.h"
#include "cli/config_commands_cli.h"
#include "cli/file_commands_cli.h"
#include "cli/file_page_cli.h"
#include "cli/module_commands_cli.h"

namespace karvelm::cli {

namespace {

using THandler = int (*)(const TCliContext&);

struct TCommand {
  const char* first;
  const char* second;  // nullptr: a one-word command
  THandler handler;    // nullptr: not available yet
};

const TCommand kCommands[] = {
    {"identify", nullptr, RunIdentify}, {"restart", nullptr, RunRestart},
    {"bus", "read", RunBusRead},        {"bus", "write", RunBusWrite},
    {"config", "read", RunConfigRead},  {"config", "write", RunConfigWrite},
    {"firmware", "update", nullptr},    {"file", "new", RunFileNew},
    {"file", "show", RunFileShow},      {"file", "page", RunFilePage},
};

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TParseResult parsed = ParseCommandLine(args);
  if (!parsed.options) {
    err << parsed.error << '\n';
    return kExitUsage;
  }
  const TCliOptions& options = *parsed.options;
  if (options.help) {
    out << UsageText();
    return kExitDone;
  }
  if (options.words.empty()) {
    err << "no command given (karvelm --help lists them)\n";
    return kExitUsage;
  }
  const std::string& first = options.words[0];
  for (const TCommand& command : kCommands) {
    if (first != command.first) continue;
    if (command.second && (options.words.size() < 2 || options.words[1] != command.second))
      continue;
    std::string name = command.first;
    if (command.second) name += std::string(" ") + command.second;
    if (!command.handler) {
      err << name << ": not available yet\n";
      return kExitUsage;
    }
    TCliContext context{options, out, err};
    try {
      return command.handler(context);
    } catch (const std::exception& error) {
      err << error.what() << '\n';
      return kExitFailed;
    }
  }
  std::string words = first;
  if (options.words.size() > 1) words += " " + options.words[1];
  err << "unknown command '" << words << "' (karvelm --help lists them)\n";
  return kExitUsage;
}

}  // namespace karvelm::cli
