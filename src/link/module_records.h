// Per-device records of the module's two peripheral buses, as the module reports them.
#pragma once

#include <array>
#include <cstdint>

namespace karvelm {

// One external module (high-speed bus).
struct ExtModuleInfo {
  uint32_t NetAddress = 0;  // 0: the slot is empty
  // Entry i stands for the bus register at register base + 2*i; 0xFF: not served.
  std::array<uint8_t, 16> RegisterMap{};
  uint32_t Version = 0;  // low byte 0xB0 while the module runs its bootloader
  int32_t TableRow = 0;  // the view's row; never written by the link
};

// Running counters the module keeps for one external module.
struct ExtModuleStats {
  uint32_t Exchanges = 0;
  uint32_t Timeouts = 0;
  uint32_t Errors = 0;
};

// The control panel on the low-speed bus.
struct PanelLinkInfo {
  uint32_t ConsolePresent = 0;    // non-zero: the panel serves 177560 and 177562
  uint32_t PanelRegsPresent = 0;  // non-zero: it serves 166760, 166762 and 166764
  uint32_t Version = 0;
};

// Running counters of the low-speed bus, the same three as ExtModuleStats.
struct PanelLinkStats {
  uint32_t Exchanges = 0;
  uint32_t Timeouts = 0;
  uint32_t Errors = 0;
};

// One correction per DAC channel, in channel order.
constexpr int kDacChannels = 8;
using TDacCorrections = std::array<int32_t, kDacChannels>;

}  // namespace karvelm
