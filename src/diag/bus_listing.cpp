#include "diag/bus_listing.h"

#include <cstdio>

#include "base/octal_text.h"
#include "link/commands_codec.h"

namespace karvelm {

namespace {

constexpr uint16_t kConsoleRegisters[] = {0177560, 0177562};
constexpr uint16_t kPanelRegisters[] = {0166760, 0166762, 0166764};
constexpr int kRegisterMapEntries = 16;
constexpr uint8_t kNotServed = 0xFF;

template <typename Counters>
void PutCounters(TGridRow& row, const Counters& counters) {
  row[bcExchanges] = std::to_string(counters.Exchanges);
  row[bcTimeouts] = std::to_string(counters.Timeouts);
  row[bcErrors] = std::to_string(counters.Errors);
}

}  // namespace

TBusTables::TBusTables() {
  for (int c = 0; c < kBusColumns; ++c)
    low[0][static_cast<size_t>(c)] = kBusColumnTitles[static_cast<size_t>(c)];
}

void TBusTables::Clear() {
  for (size_t r = 1; r < low.size(); ++r) low[r] = TGridRow{};
  high.assign(kHighSpeedRows, TGridRow{});
}

bool PanelRowShown(const PanelLinkInfo& panel) {
  return (panel.ConsolePresent != 0 || panel.PanelRegsPresent != 0) && panel.Version != 0;
}

std::string NetAddressText(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(address));
  return text;
}

std::string ModuleVersionText(uint32_t version) {
  std::string text = FormatVersion(version);
  if ((version & 0xFF) == kBootloaderVersionByte) text += kBootloaderMark;
  return text;
}

TBusListing ListBusDevices(TDiagRecords& records) {
  TBusListing listing;
  const PanelLinkInfo& panel = records.panelLink;
  if (PanelRowShown(panel)) {
    TPanelListing entry;
    entry.console = panel.ConsolePresent != 0;
    entry.panelRegisters = panel.PanelRegsPresent != 0;
    entry.version = panel.Version;
    entry.versionText = FormatVersion(panel.Version);
    if (entry.console)
      for (uint16_t address : kConsoleRegisters) entry.registers.push_back(WordToOctal(address));
    if (entry.panelRegisters)
      for (uint16_t address : kPanelRegisters) entry.registers.push_back(WordToOctal(address));
    listing.panel = std::move(entry);
  }

  int row = 0;
  for (const TExtModuleType& type : kExtModuleTypes) {
    for (int index = 0; index < type.instances; ++index) {
      const int slot = type.firstSlot + index;
      ExtModuleInfo& info = records.extModules[static_cast<size_t>(slot)];
      if (info.NetAddress == 0) continue;
      TModuleListing entry;
      entry.type = type.code;
      entry.index = index;
      entry.slot = slot;
      entry.name = type.name;
      entry.address = info.NetAddress;
      entry.addressText = NetAddressText(info.NetAddress);
      entry.version = info.Version;
      entry.versionText = ModuleVersionText(info.Version);
      entry.bootloader = (info.Version & 0xFF) == kBootloaderVersionByte;
      entry.row = row;
      info.TableRow = row;
      if (type.registerBase != 0) {
        for (int i = 0; i < kRegisterMapEntries; ++i)
          if (info.RegisterMap[static_cast<size_t>(i)] != kNotServed)
            entry.registers.push_back(
                WordToOctal(static_cast<uint16_t>(type.registerBase + 2 * i)));
      }
      row += entry.registers.empty() ? 1 : static_cast<int>(entry.registers.size());
      listing.modules.push_back(std::move(entry));
    }
  }
  return listing;
}

TBusTables BusTables(const TBusListing& listing) {
  TBusTables tables;
  if (listing.panel) {
    const TPanelListing& panel = *listing.panel;
    tables.low[1][bcDevice] = kPanelName;
    tables.low[1][bcAddress] = kPanelAddressText;
    tables.low[1][bcVersion] = panel.versionText;
    for (size_t i = 0; i < panel.registers.size() && i + 1 < tables.low.size(); ++i)
      tables.low[i + 1][bcRegister] = panel.registers[i];
  }
  for (const TModuleListing& module : listing.modules) {
    const size_t rows = module.registers.empty() ? 1 : module.registers.size();
    const size_t first = static_cast<size_t>(module.row);
    if (tables.high.size() < first + rows) tables.high.resize(first + rows);
    TGridRow& row = tables.high[first];
    row[bcDevice] = module.name;
    row[bcAddress] = module.addressText;
    row[bcVersion] = module.versionText;
    for (size_t i = 0; i < module.registers.size(); ++i)
      tables.high[first + i][bcRegister] = module.registers[i];
  }
  return tables;
}

void ShowBusStatistics(bool firmwareConnected, const TDiagRecords& records, TBusTables& tables) {
  if (!firmwareConnected) return;
  if (PanelRowShown(records.panelLink)) PutCounters(tables.low[1], records.panelStats);
  for (const TExtModuleType& type : kExtModuleTypes) {
    if (!HasExtModuleStats(type)) continue;
    for (int index = 0; index < type.instances; ++index) {
      const size_t slot = static_cast<size_t>(type.firstSlot + index);
      const ExtModuleInfo& info = records.extModules[slot];
      if (info.NetAddress == 0) continue;
      // A slot filled by another page's query after the last scan may carry a row the
      // tables do not have.
      if (info.TableRow < 0 || static_cast<size_t>(info.TableRow) >= tables.high.size()) continue;
      PutCounters(tables.high[static_cast<size_t>(info.TableRow)], records.extStats[slot]);
    }
  }
}

}  // namespace karvelm
