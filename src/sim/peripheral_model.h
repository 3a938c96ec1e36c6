// The module's peripheral buses as its firmware reports them: the control panel on the
// low-speed bus and the external modules on the high-speed bus, by (type, index), with their
// register maps, versions and running counters.
#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "link/module_records.h"
#include "sim/sim_model.h"

namespace karvelm {

// A device's counters and how far each moves on every poll, so that a view polled once a
// second shows them advancing.
struct TSimCounters {
  ExtModuleStats value;
  ExtModuleStats step;
  void Advance() {
    value.Exchanges += step.Exchanges;
    value.Timeouts += step.Timeouts;
    value.Errors += step.Errors;
  }
};

class TPeripheralBusModel final : public TSimModel {
 public:
  using TSlot = std::pair<uint32_t, uint32_t>;  // type code, index

  // The panel; all zero: no panel on the low-speed bus.
  PanelLinkInfo panel{};
  TSimCounters panelCounters{};
  // A slot not listed is empty.
  std::map<TSlot, ExtModuleInfo> extModules;
  // Counters of the listed slots; a slot without an entry reports zeros that never move.
  std::map<TSlot, TSimCounters> extCounters;

  void Install(TModuleSim& sim) override;
};

}  // namespace karvelm
