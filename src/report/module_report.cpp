#include "report/module_report.h"

#include <ctime>
#include <memory>

#include "config/config_transfer.h"
#include "config/koi7.h"

namespace karvelm {

namespace {

std::string LocalDateNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

void Step(const TReportHooks& hooks, const std::string& text) {
  if (hooks.step) hooks.step(text);
}

TStoredConfigReport ReadStoredConfig(int configIndex) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  const TReadConfigResult result = ReadConfiguration(*image, configIndex);
  TStoredConfigReport config;
  config.number = configIndex + 1;
  config.read = result.AllOk();
  config.failed = FailedConfigBlocks(result);
  config.name = Cp1251ToUtf8(GetConfigName(*image));
  config.pageSum = image->PageSum;
  config.pageCrc = image->PageCrc;
  return config;
}

// The diagnostics reads of the running firmware: the update page's refresh, the bus page's
// scan and counter poll, and the tests asked for.
void ReadFirmwareState(const TReportRequest& request, const TReportHooks& hooks,
                       TModuleReport& report) {
  TDiagRecords records;  // this report's own: nothing from an earlier scan is listed
  Step(hooks, "versions");
  TModuleVersions state;
  state.firmware = true;
  state.firmwareVersion = report.moduleVersion.value_or(0);
  report.versions = RefreshVersionPage(state, [&records] { return ListExtModulesOnLink(records); });

  Step(hooks, "bus scan");
  TBusReport bus;
  TDiagRecords busRecords;
  bus.listing = ScanPeripheralBuses(true, busRecords);
  bus.poll = PollBusStatistics(busRecords);
  bus.records = busRecords;
  report.bus = std::move(bus);

  if (request.loopback) {
    Step(hooks, "loop-back test");
    report.loopback = RunLoopback(*request.loopback, true);
    if (!report.loopback->moduleAnswered)
      report.problems.push_back("loop-back test: the firmware does not answer");
  }
  if (request.count) {
    Step(hooks, "count test");
    report.count = RunCountTests(*request.count, true);
    if (!report.count->moduleAnswered)
      report.problems.push_back("count test: the firmware does not answer");
  }
}

}  // namespace

const char* ProgramVersion() {
  return KARVELM_PROGRAM_VERSION;
}

std::vector<std::string> FailedConfigBlocks(const TReadConfigResult& result) {
  std::vector<std::string> failed;
  if (!result.loaderAnswered) return {"the bootloader does not answer"};
  if (!result.commonOk) failed.push_back("common block");
  if (!result.settingsOk) failed.push_back("settings block");
  if (!result.setPointOk) failed.push_back("set-point block");
  for (int page = 0; page < kPageCount; ++page) {
    if (!result.pageRequested[page])
      failed.push_back("page " + std::to_string(page) + " (not requested)");
    else if (!result.pageOk[page])
      failed.push_back("page " + std::to_string(page));
  }
  return failed;
}

bool TModuleReport::Complete() const {
  if (identity.program == mpAbsent || !problems.empty()) return false;
  for (const TStoredConfigReport& config : configurations)
    if (!config.read) return false;
  if (loopback && !loopback->Passed()) return false;
  if (count && !count->Passed()) return false;
  return true;
}

TModuleReport BuildModuleReport(const TReportRequest& request, const TReportHooks& hooks) {
  TModuleReport report;
  report.date = request.date.empty() ? LocalDateNow() : request.date;
  report.link = request.link;
  report.programVersion = ProgramVersion();

  Step(hooks, "identify");
  report.identity = IdentifyModule(hooks.probes);
  report.moduleVersion = report.identity.firmwareWord;
  switch (report.identity.program) {
    case mpAbsent:
      report.problems.push_back("the module does not answer");
      return report;
    case mpBootloader: {
      // Without the firmware nothing answers for the buses; the bootloader reports the
      // firmware's version for the update page.
      TModuleVersions state;
      state.loader = true;
      state.loaderReportedFirmware = report.moduleVersion.value_or(0);
      report.versions = RefreshVersionPage(state, [] { return std::vector<TFoundExtModule>(); });
      report.problems.push_back("the module runs its bootloader: no bus scan" +
                                std::string(request.loopback || request.count ? ", no tests" : ""));
      break;
    }
    case mpFirmware:
      ReadFirmwareState(request, hooks, report);
      break;
  }

  if (!request.readConfigurations) return report;
  const bool fromFirmware = report.identity.program == mpFirmware;
  Step(hooks, "bootloader");
  if (fromFirmware && !(hooks.enterLoader && hooks.enterLoader())) {
    report.problems.push_back("the bootloader does not answer: the configurations were not read");
    return report;
  }
  for (int configIndex = 0; configIndex < 2; ++configIndex) {
    Step(hooks, "configuration " + std::to_string(configIndex + 1));
    report.configurations.push_back(ReadStoredConfig(configIndex));
  }
  // A read changes nothing on the module: it goes back to the program it ran.
  if (fromFirmware) {
    Step(hooks, "firmware");
    if (!(hooks.returnToFirmware && hooks.returnToFirmware()))
      report.problems.push_back("the firmware did not answer after the restart");
  }
  return report;
}

}  // namespace karvelm
