// The peripheral bus view without its widgets: the scan that lists the devices of both
// buses, the counter poll of every tick and the counters shown in the listed rows.
#pragma once

#include <array>

#include "diag/bus_listing.h"
#include "diag/diag_records.h"

namespace karvelm {

// Which counters the last poll could read (a counter not read keeps its previous value).
struct TBusPollResult {
  bool panelRead = false;
  std::array<bool, kExtModuleSlots> moduleRead{};
};

// ScanPeripheralBuses. Not connected: nothing is listed. Otherwise, when the firmware
// answers, cmdGetPanelLink and then cmdGetExtModule for every slot in listing order; a
// failed panel query zeroes the panel record on the legacy link and keeps it on the others.
// When the firmware does not answer, the records of the last scan are listed again.
TBusListing ScanPeripheralBuses(bool firmwareConnected, TDiagRecords& records);

// PollBusStatistics: cmdGetPanelStats, then cmdGetExtModuleStats for every slot with a
// network address, types 0, 6, 1, 2, 3, 4 in that order; type 5 is never polled. The caller
// has checked the module.
TBusPollResult PollBusStatistics(TDiagRecords& records);

// The data page: Relist on entering the sub-page and on the module's return, Read on every
// tick that found the module, Show at the end of every tick.
class TPeripheralBusPage {
 public:
  explicit TPeripheralBusPage(TDiagRecords& records = DiagRecords()) : FRecords(records) {}

  void Relist(bool firmwareConnected);
  void Read();
  void Show(bool firmwareConnected);

  const TBusTables& Tables() const { return FTables; }
  const TBusListing& Listing() const { return FListing; }
  const TBusPollResult& LastPoll() const { return FPoll; }
  TDiagRecords& Records() { return FRecords; }

 private:
  TDiagRecords& FRecords;
  TBusListing FListing;
  TBusTables FTables;
  TBusPollResult FPoll;
};

}  // namespace karvelm
