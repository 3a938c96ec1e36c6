// The service report of one module: identity and versions, the peripheral buses with their
// counters, the checks of both stored configurations and, when asked, the board tests. Built
// from the same reads as the tool's identify, versions, bus scan, config read and test
// commands; the JSON and HTML writers both work from this model.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/config_transfer.h"
#include "diag/bus_page.h"
#include "diag/diag_records.h"
#include "diag/loopback_test.h"
#include "diag/sensor_page.h"
#include "report/module_identity.h"
#include "update/version_page.h"

namespace karvelm {

// "1.97": the project's version.
const char* ProgramVersion();

// What the caller asks for and what it knows of the link.
struct TReportRequest {
  std::string link;  // how the module is reached, as the caller names it
  std::string date;  // empty: now, local time
  bool readConfigurations = true;
  std::optional<TLoopbackRequest> loopback;
  std::optional<TCountRequest> count;
};

// The link-dependent steps: the probes, and the ways into the bootloader and back (they wait
// as long as the caller allows). step is told what comes next, for a progress line.
struct TReportHooks {
  TProgramProbes probes;
  std::function<bool()> enterLoader;
  std::function<bool()> returnToFirmware;
  std::function<void(const std::string&)> step;
};

struct TStoredConfigReport {
  int number = 1;                   // 1 or 2
  bool read = false;                // every block arrived
  std::vector<std::string> failed;  // the blocks that did not ("page 3", "settings block", ...)
  std::string name;                 // UTF-8
  std::array<uint16_t, kPageCount> pageSum{};
  std::array<uint16_t, kPageCount> pageCrc{};
};

struct TBusReport {
  TBusListing listing;
  TBusPollResult poll;
  TDiagRecords records;  // the counters the poll read
};

struct TModuleReport {
  std::string date;
  std::string link;
  std::string programVersion;
  TModuleIdentity identity;
  std::optional<uint32_t> moduleVersion;  // the firmware's, as the update page shows it
  TVersionPageRows versions;
  std::optional<TBusReport> bus;                    // only with the firmware running
  std::vector<TStoredConfigReport> configurations;  // empty when not read
  std::optional<TLoopbackRun> loopback;
  std::optional<TCountRun> count;
  std::vector<std::string> problems;  // what could not be done, one line each

  // The module answered and everything asked for was done and passed.
  bool Complete() const;
};

// The blocks of a configuration read that did not arrive.
std::vector<std::string> FailedConfigBlocks(const TReadConfigResult& result);

// Reads the module in this order: identity; with the firmware running the versions, the bus
// scan and one counter poll, then the tests asked for; then both stored configurations
// through the bootloader (entered when the firmware ran, and the firmware restarted after).
TModuleReport BuildModuleReport(const TReportRequest& request, const TReportHooks& hooks);

}  // namespace karvelm
