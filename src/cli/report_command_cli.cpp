#include "cli/report_command_cli.h"

#include <unistd.h>

#include <iostream>
#include <string>
#include <tuple>

#include "base/clock.h"
#include "cli/cli_link.h"
#include "cli/json_text.h"
#include "diag/loopback_test.h"
#include "diag/sensor_page.h"
#include "link/module_commands.h"
#include "report/module_report.h"
#include "report/report_files.h"

namespace karvelm::cli {

namespace {

std::string LinkText(const TCliOptions& options) {
  switch (options.link) {
    case itHID_OLD:
      return "usb1";
    case itHID_NEW:
      return "usb2";
    default:
      return "udp " + options.ip + ":" + std::to_string(options.port);
  }
}

// After cmdRestart the module is silent for a moment; on USB it comes back as a new device.
bool WaitForFirmware(TCliLink& link, double waitSeconds) {
  TClock& clock = Clock();
  const uint64_t deadline = clock.NowMs() + static_cast<uint64_t>(waitSeconds * 1000);
  for (;;) {
    if (FirmwareAnswers(link)) return true;
    if (clock.NowMs() >= deadline) return false;
    link.Refind();
    clock.SleepMs(kLoaderPollMs);
  }
}

class TReport final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const TCliOptions& options = context.options;
    if (options.words.size() != 1 || options.out.empty()) return context.Usage();
    if (int status = PrepareTests(context); status != kExitDone) return status;
    std::string error;
    if (!PrepareReportFolder(options.out, error)) return context.Fail(error);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    const TCliOptions& options = context.options;
    TCliLink& link = *context.link;
    const bool progress = &context.err == &std::cerr && ::isatty(STDERR_FILENO);
    TReportHooks hooks;
    hooks.probes.firmware = [&link] { return FirmwareAnswers(link); };
    hooks.probes.bootloader = [] { return BootloaderAnswers(); };
    hooks.enterLoader = [&link, &options] { return EnsureBootloader(link, options.waitSeconds); };
    hooks.returnToFirmware = [&link, &options] {
      return RestartFromLoader() && WaitForFirmware(link, options.waitSeconds);
    };
    if (progress)
      hooks.step = [&context](const std::string& step) {
        context.err << "\r\033[Kreport: " << step << std::flush;
      };
    request_.link = LinkText(options);
    const TModuleReport report = BuildModuleReport(request_, hooks);
    if (progress) context.err << "\r\033[K" << std::flush;

    const TReportFilesResult files = WriteReportFiles(options.out, report);
    if (!files.ok) return context.Fail(files.error);
    if (options.json) {
      TJson json;
      json["json"] = files.jsonPath;
      json["html"] = files.htmlPath;
      json["complete"] = report.Complete();
      context.out << JsonText(json) << '\n';
    } else {
      context.out << "report written: " << files.jsonPath << ", " << files.htmlPath << '\n';
    }
    if (report.Complete()) return kExitDone;
    std::string reason;
    for (const std::string& problem : report.problems)
      reason += (reason.empty() ? "" : "; ") + problem;
    for (const TStoredConfigReport& config : report.configurations)
      if (!config.read && report.identity.program != mpAbsent)
        reason += (reason.empty() ? "" : "; ") + std::string("configuration ") +
                  std::to_string(config.number) + " was not read whole";
    if (report.loopback && report.loopback->moduleAnswered && !report.loopback->Passed())
      reason += (reason.empty() ? "" : "; ") + std::string("the loop-back test failed");
    if (report.count && report.count->moduleAnswered && !report.count->Passed())
      reason += (reason.empty() ? "" : "; ") + std::string("the count test failed");
    return context.Fail(reason);
  }

 private:
  // --loopback with --low/--high and --count with --normal/--additional, checked as the test
  // commands check them; a test option without its test is a usage error.
  int PrepareTests(const TCliContext& context) {
    const TCliOptions& options = context.options;
    const bool count = (options.given & obCount) != 0;
    if (options.count) return context.Fail("report takes --count without a number", kExitUsage);
    if (!options.loopback && (options.given & (obLow | obHigh)))
      return context.Fail("--low and --high go with --loopback", kExitUsage);
    if (!count && (options.given & (obNormal | obAdditional)))
      return context.Fail("--normal and --additional go with --count", kExitUsage);
    if (options.loopback) {
      TLoopbackRequest loopback;
      loopback.pair = options.pair;
      if (options.low.empty() && options.high.empty())
        return context.Fail("--loopback needs --low or --high (or both)", kExitUsage);
      for (auto [text, item, name] : {std::tuple{&options.low, &loopback.lowInput, "--low"},
                                      std::tuple{&options.high, &loopback.highInput, "--high"}}) {
        if (text->empty()) continue;
        *item = FindInputWord(*text);
        if (!*item)
          return context.Fail(std::string(name) + " must be an input word 167602, 167604, ..., " +
                                  "167624, not '" + *text + "'",
                              kExitUsage);
      }
      request_.loopback = loopback;
    }
    if (count) {
      TCountRequest test;
      test.pair = options.pair;
      for (auto [bit, text, item] :
           {std::tuple{obNormal, &options.normal, &test.normal},
            std::tuple{obAdditional, &options.additional, &test.additional}}) {
        if (!(options.given & bit)) continue;
        *item = FindSensorChannel(*text);
        if (!*item)
          return context.Fail("bad channel '" + *text + "' (167700, 167704, ... 167734)",
                              kExitUsage);
      }
      if (!test.normal && !test.additional)
        return context.Fail("--count needs --normal or --additional (or both)", kExitUsage);
      request_.count = test;
    }
    return kExitDone;
  }

  TReportRequest request_;
};

}  // namespace

std::unique_ptr<TCliCommand> MakeReportCommand() {
  return std::make_unique<TReport>();
}

}  // namespace karvelm::cli
