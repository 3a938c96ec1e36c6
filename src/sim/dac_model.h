// The legacy DAC board as the module presents it: eight channel registers on the bus and
// the module's per-channel corrections, live and stored. A correction belongs to a channel
// only while an RK-130M listed on the high-speed bus serves it; the listing itself is the
// peripheral model's (the lively setup lists one serving all eight).
#pragma once

#include <array>
#include <cstdint>

#include "sim/sim_model.h"

namespace karvelm {

constexpr uint16_t kSimDacBase = 0167640;
constexpr int kSimDacChannels = 8;
constexpr uint32_t kSimDacModuleType = 2;  // RK-130M
constexpr int kSimDacModuleSlots = 2;      // indexes 0 and 1
constexpr uint8_t kSimRegisterUnused = 0xFF;

struct TSimDacSetup {
  std::array<int32_t, kSimDacChannels> stored{};  // corrections the module starts with
};

class TDacModel final : public TSimModel {
 public:
  explicit TDacModel(const TSimDacSetup& setup = {});

  std::array<uint16_t, kSimDacChannels> registers{};
  std::array<uint32_t, kSimDacChannels> writes{};      // register writes per channel
  std::array<int32_t, kSimDacChannels> corrections{};  // in effect
  std::array<int32_t, kSimDacChannels> stored{};       // what a restart brings back
  int refusedSets = 0;  // cmdSetDacCorrection outside cmdPause..cmdResume (strict: refused)
  int saves = 0;

  void Install(TModuleSim& sim) override;
  void OnRestart(TModuleSim& sim) override;

  // Channels a listed RK-130M serves: entries 0..7 of either slot's register map.
  std::array<bool, kSimDacChannels> Served(TModuleSim& sim) const;
};

}  // namespace karvelm
