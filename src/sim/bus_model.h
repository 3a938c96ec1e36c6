// The module's bus as its firmware serves it: the memory with its register hooks, read by
// cmdReadBus and written by cmdWriteBus. Other models hook their registers into memory.
#pragma once

#include "sim/bus_memory.h"
#include "sim/sim_model.h"

namespace karvelm {

class TBusModel final : public TSimModel {
 public:
  TBusMemory memory;

  void Install(TModuleSim& sim) override;
};

}  // namespace karvelm
