#include "app/report_action.h"

#include "base/clock.h"
#include "link/commands.h"
#include "link/module_commands.h"
#include "report/module_report.h"
#include "report/report_files.h"

namespace karvelm {

namespace {

// How long the module may take to change program, and how often it is asked meanwhile.
constexpr int kProgramSwitchWaitMs = 10000;
constexpr int kProgramPollMs = 100;

bool FirmwareProbe() {
  return ProbeFirmware(kTimeoutDefault);
}

bool LoaderProbe() {
  return ProbeLoader(kTimeoutDefault);
}

bool WaitFor(bool (*probe)(), TShellServices& services) {
  TClock& clock = Clock();
  const uint64_t deadline = clock.NowMs() + kProgramSwitchWaitMs;
  while (clock.NowMs() < deadline) {
    if (probe()) return true;
    services.Repaint();
    clock.SleepMs(kProgramPollMs);
  }
  return probe();
}

}  // namespace

std::optional<std::string> WriteModuleReport(TShellServices& services, const std::string& link) {
  const std::optional<std::string> folder = services.Dialogs().ChooseFolder(kReportFolderTitle);
  if (!folder) return std::nullopt;
  std::string error;
  if (!PrepareReportFolder(*folder, error)) {
    services.Dialogs().Inform(error, kReportErrorCaption);
    return std::nullopt;
  }
  TModuleReport report;
  {
    TTimerPause timer(services);
    TBusyCursor busy(services);
    TReportHooks hooks;
    hooks.probes = {FirmwareProbe, LoaderProbe};
    hooks.enterLoader = [&services] {
      if (LoaderProbe()) return true;
      if (FirmwareProbe()) EnterLoader();
      return WaitFor(LoaderProbe, services);
    };
    hooks.returnToFirmware = [&services] {
      return LoaderProbe() && Restart() && WaitFor(FirmwareProbe, services);
    };
    hooks.step = [&services](const std::string&) { services.Repaint(); };
    TReportRequest request;
    request.link = link;
    report = BuildModuleReport(request, hooks);
  }
  const TReportFilesResult files = WriteReportFiles(*folder, report);
  if (!files.ok) {
    services.Dialogs().Inform(files.error, kReportErrorCaption);
    return std::nullopt;
  }
  return files.htmlPath;
}

}  // namespace karvelm
