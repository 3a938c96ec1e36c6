#include "cli/cli_main.h"

#include <exception>
#include <memory>

#include "base/version.h"
#include "cli/cli_commands.h"
#include "cli/cli_context.h"
#include "cli/cli_link.h"
#include "cli/cli_options.h"
#include "link/hid_access.h"
#include "link/packet_trace.h"

namespace karvelm::cli {

namespace {

constexpr const char* kNoFirmwareText = "the firmware does not answer";

// The first option on the line that the row does not accept, or nullptr.
const TOptionInfo* StrayOption(const TCommandRow& row, unsigned given) {
  for (const TOptionInfo& option : Options())
    if ((given & option.bit) && !((row.options | obHelp | obQuiet) & option.bit)) return &option;
  return nullptr;
}

// Brings the module into the program the row needs; empty when done, else the reason.
std::string BringUp(TCliLink& link, TProgramNeed needs, const TCliOptions& options) {
  switch (needs) {
    case pnFirmware:
      return FirmwareAnswers(link) ? "" : kNoFirmwareText;
    case pnBootloader:
      return BootloaderAnswers() ? "" : kNoLoaderText;
    case pnEnterLoader:
      return EnsureBootloader(link, options.waitSeconds) ? "" : kNoLoaderText;
    default:
      return "";
  }
}

int RunRow(const TCommandRow& row, TCliContext& context) {
  std::unique_ptr<TCliCommand> command = row.make();
  if (const int status = command->Prepare(context); status != kExitDone) return status;
  if (row.needs == pnNone) return command->Run(context);
  // The trace is written out when the scope ends, after the link has closed.
  const std::string& tracePath = context.options.trace;
  TPacketTraceScope trace(tracePath, [&context, &tracePath](const std::string& reason) {
    context.err << "cannot write the trace " << tracePath << ": " << reason
                << " (the command goes on without it)\n";
  });
  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());
  // A module present but closed to this user is not reported as absent.
  if (const std::string denied = DeniedModuleDevice(); !denied.empty())
    return context.Fail(NoAccessText(denied));
  if (const std::string reason = BringUp(link, row.needs, context.options); !reason.empty()) {
    const std::string denied = DeniedModuleDevice();
    return context.Fail(denied.empty() ? reason : NoAccessText(denied));
  }
  context.link = &link;
  return command->Run(context);
}

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
  if (options.version) {
    out << VersionLine("karvelm") << '\n';
    return kExitDone;
  }
  if (options.words.empty()) {
    err << "no command given (karvelm --help lists them)\n";
    return kExitUsage;
  }
  const TCommandRow* row = FindCommand(options.words);
  if (!row) {
    std::string words = options.words[0];
    if (options.words.size() > 1) words += " " + options.words[1];
    err << "unknown command '" << words << "' (karvelm --help lists them)\n";
    return kExitUsage;
  }
  const std::string name = CommandName(*row);
  if (!row->make) {
    err << name << ": not available yet\n";
    return kExitUsage;
  }
  if (const TOptionInfo* stray = StrayOption(*row, options.given)) {
    err << "option " << stray->name << " does not apply to " << name
        << " (karvelm --help lists the commands)\n";
    return kExitUsage;
  }
  TCliContext context{options, out, err, row};
  try {
    return RunRow(*row, context);
  } catch (const std::exception& error) {
    err << error.what() << '\n';
    return kExitFailed;
  }
}

}  // namespace karvelm::cli
