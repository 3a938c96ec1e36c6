#include "update/version_page.h"

#include <cstdio>

#include "diag/ext_module_query.h"
#include "diag/ext_module_types.h"
#include "link/commands_codec.h"
#include "link/module_commands.h"
#include "link/transactions.h"
#include "update/firmware_image.h"

namespace karvelm {

namespace {

constexpr TAvailableVersion kAvailable[] = {
    {"Модуль KarvelM v1.x.x", kImageModuleOld, "module_v1", 1, 3, 39},
    {"Модуль KarvelM v2.x.x", kImageModule, "module_v2", 2, 0, 34},
    {"ПУ-Karvel", kImagePanelKarvel, "panel_karvel", 1, 9, 0},
    {"ПУ-Torsen", kImagePanelTorsen, "panel_torsen", 1, 4, 0},
    {"Модуль связи с БОСИ", kImageBosi, "bosi", 2, 4, 0},
    {"Внешние модули RK", kImageExtModule, "ext_modules", 1, 1, 21},
};

constexpr TExtModuleSlot kSlotOrder[] = {
    {0, 0}, {0, 1}, {0, 2}, {0, 3}, {6, 0}, {6, 1}, {6, 2}, {6, 3},
    {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}, {4, 0}, {5, 0},
};

constexpr const char* kPrefixes[] = {
    "RK-110M 0x", "RK-120M 0x", "RK-130M 0x", "RK-140M/143M 0x",
    "RK-150M 0x", "RK-???M 0x", "RK-110M 0x",
};

}  // namespace

std::span<const TAvailableVersion> AvailableVersions() {
  return kAvailable;
}

std::string AvailableVersionText(const TAvailableVersion& version) {
  return "v " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build) + ".";
}

std::string VersionText(uint32_t word) {
  return "v " + FormatVersion(word);
}

std::span<const TExtModuleSlot> ExtModuleSlotOrder() {
  return kSlotOrder;
}

const char* ExtModulePrefix(uint32_t type) {
  return type < std::size(kPrefixes) ? kPrefixes[type] : nullptr;
}

std::string ExtModuleRowName(uint32_t type, uint32_t address) {
  const char* prefix = ExtModulePrefix(type);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(address));
  return std::string(prefix ? prefix : "RK-???M 0x") + digits;
}

TFoundExtModule FoundExtModule(uint32_t type, uint32_t index, const ExtModuleInfo& info) {
  return {type, index, info.NetAddress, info.Version,
          (info.Version & 0xFF) == kExtModuleLoaderMark};
}

TExtModuleRow ExtModuleRow(const TFoundExtModule& module) {
  TExtModuleRow row;
  row.name = ExtModuleRowName(module.type, module.address);
  row.version = VersionText(module.version) + (module.bootloader ? kLoaderSuffix : "");
  row.enabled = true;
  row.address = module.address;
  row.module = module;
  return row;
}

std::vector<TFoundExtModule> ListExtModulesOnLink(TDiagRecords& records) {
  std::vector<TFoundExtModule> found;
  for (const TExtModuleType& type : kExtModuleTypes) {
    for (int index = 0; index < type.instances; ++index) {
      ExtModuleInfo& slot = records.extModules[static_cast<size_t>(type.firstSlot + index)];
      // A failed query leaves the slot empty.
      QueryExtModule(type.code, static_cast<uint32_t>(index), slot);
      if (slot.NetAddress != 0)
        found.push_back(FoundExtModule(type.code, static_cast<uint32_t>(index), slot));
    }
  }
  return found;
}

TVersionPageRows RefreshVersionPage(const TModuleVersions& state, const TExtModuleLister& lister) {
  TVersionPageRows rows;
  if (state.firmware || state.loader) {
    rows.module = {
        VersionText(state.firmware ? state.firmwareVersion : state.loaderReportedFirmware), true};
  }
  if (!state.firmware) return rows;

  uint32_t word = 0;
  // A BOSI link exists only on a first-generation module.
  if (IsLegacyLink() && ProbeFirmware(kTimeoutDefault) && GetBosiVersion(word) && word != 0)
    rows.bosi = {VersionText(word), true};
  word = 0;
  if (ProbeFirmware(kTimeoutDefault) && GetPanelFwVersion(word) && word != 0)
    rows.panel = {VersionText(word), true};

  if (!lister || !ProbeFirmware(kTimeoutDefault)) return rows;
  for (const TFoundExtModule& module : lister()) {
    if (module.address == 0) continue;
    TExtModuleRow row = ExtModuleRow(module);
    // The page has 13 rows; later modules are listed only in the full list.
    if (rows.modules.size() < rows.ext.size()) rows.ext[rows.modules.size()] = row;
    rows.modules.push_back(std::move(row));
  }
  return rows;
}

}  // namespace karvelm
