// The module's peripheral buses as its firmware reports them: the external modules on the
// high-speed bus, by (type, index), with their register maps and versions.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "link/module_records.h"
#include "sim/sim_model.h"

namespace karvelm {

constexpr uint32_t kSimLastExtModuleType = 6;

class TPeripheralBusModel final : public TSimModel {
 public:
  // A slot not listed is empty.
  std::map<std::pair<uint32_t, uint32_t>, ExtModuleInfo> extModules;

  void Install(TModuleSim& sim) override;
};

}  // namespace karvelm
