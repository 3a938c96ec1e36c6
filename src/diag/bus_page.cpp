#include "diag/bus_page.h"

#include "diag/bus_access.h"
#include "diag/ext_module_query.h"
#include "link/transactions.h"

namespace karvelm {

TBusListing ScanPeripheralBuses(bool firmwareConnected, TDiagRecords& records) {
  if (!firmwareConnected) return {};
  if (FirmwareAnswers()) {
    // The legacy reply buffer starts zeroed, so a failed query reads as "no panel" there.
    if (!GetPanelLink(records.panelLink) && IsLegacyLink()) records.panelLink = PanelLinkInfo{};
    for (const TExtModuleType& type : kExtModuleTypes)
      for (int index = 0; index < type.instances; ++index)
        QueryExtModule(type.code, static_cast<uint32_t>(index),
                       records.extModules[static_cast<size_t>(type.firstSlot + index)]);
  }
  return ListBusDevices(records);
}

TBusPollResult PollBusStatistics(TDiagRecords& records) {
  TBusPollResult result;
  result.panelRead = GetPanelStats(records.panelStats);
  for (const TExtModuleType& type : kExtModuleTypes) {
    if (!HasExtModuleStats(type)) continue;
    for (int index = 0; index < type.instances; ++index) {
      const size_t slot = static_cast<size_t>(type.firstSlot + index);
      if (records.extModules[slot].NetAddress == 0) continue;
      result.moduleRead[slot] =
          GetExtModuleStats(type.code, static_cast<uint32_t>(index), records.extStats[slot]);
    }
  }
  return result;
}

void TPeripheralBusPage::Relist(bool firmwareConnected) {
  FListing = ScanPeripheralBuses(firmwareConnected, FRecords);
  FTables = BusTables(FListing);
  FPoll = {};
}

void TPeripheralBusPage::Read() {
  FPoll = PollBusStatistics(FRecords);
}

void TPeripheralBusPage::Show(bool firmwareConnected) {
  ShowBusStatistics(firmwareConnected, FRecords, FTables);
}

}  // namespace karvelm
