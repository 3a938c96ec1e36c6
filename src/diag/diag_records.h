// What the diagnostics views last read from the module. One process-wide instance is shared
// by the peripheral bus view, the DAC view and the update page; tests make their own.
#pragma once

#include <array>
#include <cstdint>

#include "diag/ext_module_types.h"
#include "link/module_records.h"

namespace karvelm {

constexpr int kBoardInputWords = 10;  // 167602..167624
constexpr int kBoardOutputWords = 6;  // 167624..167636
constexpr int kDacRegisterWords = 8;  // 167640..167656
constexpr int kSensorWords = 16;      // 167700..167736, two words per channel
constexpr int kSensorChannels = 8;

constexpr uint16_t kBoardInputBase = 0167602;
constexpr uint16_t kBoardOutputBase = 0167624;
constexpr uint16_t kDacBase = 0167640;
constexpr uint16_t kSensorBase = 0167700;

struct TDiagRecords {
  PanelLinkInfo panelLink{};
  PanelLinkStats panelStats{};
  std::array<ExtModuleInfo, kExtModuleSlots> extModules{};
  std::array<ExtModuleStats, kExtModuleSlots> extStats{};  // the type-5 slot stays unused
  std::array<uint16_t, kBoardInputWords> BoardInputs{};
  std::array<uint16_t, kBoardOutputWords> BoardOutputs{};
  std::array<uint16_t, kDacRegisterWords> DacRegs{};
  TDacCorrections DacCorrections{};
  std::array<uint16_t, kSensorWords> SensorRegs{};
};

// The process-wide records, zero at start.
TDiagRecords& DiagRecords();

}  // namespace karvelm
