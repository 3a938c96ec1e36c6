// The machine-readable forms of the module's state: one builder per view, used by the tool's
// commands and by the service report alike, so both print the same keys.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "diag/bus_page.h"
#include "diag/loopback_test.h"
#include "diag/sensor_page.h"
#include "report/module_identity.h"
#include "update/version_page.h"

namespace karvelm {

struct TModuleReport;

// Keys stay in the order they were added: scripts and tests read the answers as printed.
using TReportJson = nlohmann::ordered_json;

// {"state", "firmware_version", "bootloader_version", "firmware_word", "bootloader_word"}
TReportJson IdentityJson(const TModuleIdentity& identity);
// {"module": {"state", "version"}, "bosi", "panel", "modules": [...], "available": {...}}
TReportJson VersionsJson(const char* state, const std::optional<uint32_t>& moduleVersion,
                         const TVersionPageRows& rows);
// {"panel": null | {...}, "modules": [...]}; a counter the poll could not read is null.
TReportJson BusScanJson(const TBusListing& listing, const TBusPollResult& poll,
                        const TDiagRecords& records);
// null | {"input", "output", "bits": [16 bools]}
TReportJson LoopbackWordJson(const std::optional<TLoopbackWord>& word);
// null | {"channel", "output", "up", "down", "zero"}
TReportJson CountResultJson(const std::optional<TCountResult>& result);

// The whole report.
TReportJson ReportJson(const TModuleReport& report);

// Indented by two spaces, for a file a person may read too; bytes that are not UTF-8 (a
// configuration name, say) replaced by U+FFFD so that the file stays valid JSON.
std::string ReportJsonText(const TReportJson& value);

}  // namespace karvelm
