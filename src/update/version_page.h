// The update page's lists: the versions this program carries (fixed) and the versions now
// running in the module and the devices attached to it, with which buttons may be pressed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "diag/diag_records.h"
#include "link/module_records.h"

namespace karvelm {

inline constexpr const char* kAvailableVersionsHeading =
    "Доступные версии обновления прошивок пограммного обеспечения:";
inline constexpr const char* kCurrentVersionsHeading =
    "Текущие версии прошивок пограммного обеспечения модулей:";
inline constexpr const char* kNoVersionText = "-";
inline constexpr const char* kInitialVersionText = "v 0.0.0.0";
inline constexpr const char* kLoaderSuffix = " загрузчик";
// The low byte of an external module's version word while it runs its bootloader.
constexpr uint32_t kExtModuleLoaderMark = 0xB0;

// One version this program carries, and the built-in image it names.
struct TAvailableVersion {
  const char* caption;
  const char* imageName;
  const char* key;  // the field name in machine-readable output
  int major, minor, build;
};
std::span<const TAvailableVersion> AvailableVersions();
// "v " and the three numbers, each followed by a point: "v 1.3.39.".
std::string AvailableVersionText(const TAvailableVersion& version);

// "v " + FormatVersion.
std::string VersionText(uint32_t word);

// The external-module slots in the order the page lists them.
struct TExtModuleSlot {
  uint32_t type;
  uint32_t index;
};
std::span<const TExtModuleSlot> ExtModuleSlotOrder();
// The row name's prefix of a module type ("RK-110M 0x"); nullptr for an unknown type.
const char* ExtModulePrefix(uint32_t type);
// Prefix and the address in upper-case hexadecimal, at least two digits: "RK-110M 0x0A".
std::string ExtModuleRowName(uint32_t type, uint32_t address);

// One external module found on the peripheral bus.
struct TFoundExtModule {
  uint32_t type = 0;
  uint32_t index = 0;
  uint32_t address = 0;  // NetAddress; never 0 for a found module
  uint32_t version = 0;
  bool bootloader = false;
};
// A module as cmdGetExtModule reported it in slot (type, index).
TFoundExtModule FoundExtModule(uint32_t type, uint32_t index, const ExtModuleInfo& info);
// Queries the slots in ExtModuleSlotOrder and returns the modules found, in that order.
using TExtModuleLister = std::function<std::vector<TFoundExtModule>()>;
// The lister of the page: QueryExtModule per slot into the slots the peripheral bus view
// shares (the process-wide records unless a test gives its own).
std::vector<TFoundExtModule> ListExtModulesOnLink(TDiagRecords& records = DiagRecords());

// What the supervision tick knows of the module.
struct TModuleVersions {
  bool firmware = false;                // fw_state.connected
  uint32_t firmwareVersion = 0;         // fw_state.fw_ver
  bool loader = false;                  // boot_state.connected
  uint32_t loaderReportedFirmware = 0;  // boot_state.fw_ver
};

struct TVersionRow {
  std::string version = kNoVersionText;
  bool enabled = false;  // its update button(s)
};

struct TExtModuleRow {
  std::string name = kNoVersionText;
  std::string version = kNoVersionText;
  bool enabled = false;
  uint32_t address = 0;  // carried with the name label
  TFoundExtModule module;
};

// The row of one module: its name, "v " + version (+ " загрузчик"), the button enabled.
TExtModuleRow ExtModuleRow(const TFoundExtModule& module);

constexpr int kExtModuleRows = 13;

struct TVersionPageRows {
  TVersionRow module;                             // StaticText194, Button2
  TVersionRow panel;                              // StaticText195, Button18 and Button25
  TVersionRow bosi;                               // StaticText223, Button33
  std::array<TExtModuleRow, kExtModuleRows> ext;  // the first 13 modules in slot order
  std::vector<TExtModuleRow> modules;             // every module found, in slot order
};

// The refresh of the lower list: the module row from the states, then (with the firmware
// running and answering) the BOSI version on itHID_OLD, the panel version and the external
// modules through lister.
TVersionPageRows RefreshVersionPage(const TModuleVersions& state, const TExtModuleLister& lister);

}  // namespace karvelm
