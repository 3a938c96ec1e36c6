#include "report/report_json.h"

#include "base/octal_text.h"
#include "link/commands_codec.h"
#include "report/module_report.h"

namespace karvelm {

namespace {

template <class T>
TReportJson OrNull(const std::optional<T>& value) {
  return value ? TReportJson(*value) : TReportJson(nullptr);
}

std::optional<std::string> VersionOf(const std::optional<uint32_t>& word) {
  if (!word) return std::nullopt;
  return FormatVersion(*word);
}

// The version of a row that found its device, without the "v " of the label.
std::optional<std::string> RowVersion(const TVersionRow& row) {
  if (!row.enabled) return std::nullopt;
  return row.version.substr(2);
}

template <typename Counters>
void PutCounters(TReportJson& json, const Counters* counters) {
  json["exchanges"] = counters ? TReportJson(counters->Exchanges) : TReportJson(nullptr);
  json["timeouts"] = counters ? TReportJson(counters->Timeouts) : TReportJson(nullptr);
  json["errors"] = counters ? TReportJson(counters->Errors) : TReportJson(nullptr);
}

TReportJson ConfigJson(const TStoredConfigReport& config) {
  TReportJson json;
  json["config"] = config.number;
  json["read"] = config.read;
  json["failed"] = config.failed;
  json["config_name"] = config.name;
  json["page_sum"] = config.pageSum;
  json["page_crc"] = config.pageCrc;
  return json;
}

}  // namespace

TReportJson IdentityJson(const TModuleIdentity& identity) {
  TReportJson json;
  json["state"] = ModuleProgramName(identity.program);
  json["firmware_version"] = OrNull(VersionOf(identity.firmwareWord));
  json["bootloader_version"] = OrNull(VersionOf(identity.loaderWord));
  json["firmware_word"] = OrNull(identity.firmwareWord);
  json["bootloader_word"] = OrNull(identity.loaderWord);
  return json;
}

TReportJson VersionsJson(const char* state, const std::optional<uint32_t>& moduleVersion,
                         const TVersionPageRows& rows) {
  TReportJson json;
  json["module"]["state"] = state;
  json["module"]["version"] = OrNull(VersionOf(moduleVersion));
  json["bosi"] = OrNull(RowVersion(rows.bosi));
  json["panel"] = OrNull(RowVersion(rows.panel));
  json["modules"] = TReportJson::array();
  for (const TExtModuleRow& row : rows.modules) {
    TReportJson module;
    module["name"] = row.name;
    module["address"] = row.address;
    module["version"] = FormatVersion(row.module.version);
    module["bootloader"] = row.module.bootloader;
    json["modules"].push_back(module);
  }
  json["available"] = TReportJson::object();
  for (const TAvailableVersion& version : AvailableVersions())
    json["available"][version.key] = AvailableVersionText(version).substr(2);
  return json;
}

TReportJson BusScanJson(const TBusListing& listing, const TBusPollResult& poll,
                        const TDiagRecords& records) {
  TReportJson json;
  if (listing.panel) {
    const TPanelListing& panel = *listing.panel;
    TReportJson entry;
    entry["console"] = panel.console;
    entry["panel_registers"] = panel.panelRegisters;
    entry["version"] = panel.versionText;
    entry["version_word"] = panel.version;
    entry["registers"] = panel.registers;
    PutCounters(entry, poll.panelRead ? &records.panelStats : nullptr);
    json["panel"] = entry;
  } else {
    json["panel"] = nullptr;
  }
  json["modules"] = TReportJson::array();
  for (const TModuleListing& module : listing.modules) {
    const size_t slot = static_cast<size_t>(module.slot);
    TReportJson entry;
    entry["type"] = module.type;
    entry["index"] = module.index;
    entry["name"] = module.name;
    entry["address"] = module.address;
    entry["version"] = FormatVersion(module.version);
    entry["version_word"] = module.version;
    entry["bootloader"] = module.bootloader;
    entry["registers"] = module.registers;
    PutCounters(entry, poll.moduleRead[slot] ? &records.extStats[slot] : nullptr);
    json["modules"].push_back(entry);
  }
  return json;
}

TReportJson LoopbackWordJson(const std::optional<TLoopbackWord>& word) {
  if (!word) return nullptr;
  TReportJson json;
  json["input"] = WordToOctal(word->input);
  json["output"] = WordToOctal(word->output);
  json["bits"] = TReportJson::array();
  for (bool passed : word->bits) json["bits"].push_back(passed);
  return json;
}

TReportJson CountResultJson(const std::optional<TCountResult>& result) {
  if (!result) return nullptr;
  TReportJson json;
  json["channel"] = kSensorChannelTexts[static_cast<size_t>(result->channel)];
  json["output"] = WordToOctal(result->output);
  json["up"] = result->texts[ctUp];
  json["down"] = result->texts[ctDown];
  json["zero"] = result->texts[ctZeroMark];
  return json;
}

TReportJson ReportJson(const TModuleReport& report) {
  TReportJson json;
  json["date"] = report.date;
  json["link"] = report.link;
  json["program_version"] = report.programVersion;
  json["identity"] = IdentityJson(report.identity);
  json["versions"] = report.identity.program == mpAbsent
                         ? TReportJson(nullptr)
                         : VersionsJson(ModuleProgramName(report.identity.program),
                                        report.moduleVersion, report.versions);
  json["bus"] = report.bus ? BusScanJson(report.bus->listing, report.bus->poll, report.bus->records)
                           : TReportJson(nullptr);
  json["configurations"] = TReportJson::array();
  for (const TStoredConfigReport& config : report.configurations)
    json["configurations"].push_back(ConfigJson(config));
  TReportJson tests;
  if (report.loopback) {
    tests["loopback"]["low"] = LoopbackWordJson(report.loopback->low);
    tests["loopback"]["high"] = LoopbackWordJson(report.loopback->high);
    tests["loopback"]["passed"] = report.loopback->Passed();
  } else {
    tests["loopback"] = nullptr;
  }
  if (report.count) {
    tests["count"]["normal"] = CountResultJson(report.count->normal);
    tests["count"]["additional"] = CountResultJson(report.count->additional);
    tests["count"]["passed"] = report.count->Passed();
  } else {
    tests["count"] = nullptr;
  }
  json["tests"] = tests;
  json["problems"] = report.problems;
  json["complete"] = report.Complete();
  return json;
}

std::string ReportJsonText(const TReportJson& value) {
  return value.dump(2, ' ', false, TReportJson::error_handler_t::replace);
}

}  // namespace karvelm
