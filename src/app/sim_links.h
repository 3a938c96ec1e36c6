// The --simulator mode: every link kind opens on one in-process simulated module, so the
// whole program can be used and shown without hardware.
#pragma once

#include <memory>
#include <string>

#include "app/link_chooser.h"
#include "sim/module_sim.h"

namespace karvelm {

class TSimulatorLinks {
 public:
  explicit TSimulatorLinks(TSimConfig config = {}, TClock* clock = nullptr);
  // Closes the link first when it runs on this module.
  ~TSimulatorLinks();
  TSimulatorLinks(const TSimulatorLinks&) = delete;
  TSimulatorLinks& operator=(const TSimulatorLinks&) = delete;

  TModuleSim& Sim() { return *FSim; }
  // The module the program's simulator mode shows: a panel, several external modules, the
  // harnesses wired, counters that move.
  void MakeLively();
  TLinkFactory Factory();

 private:
  std::unique_ptr<TModuleSim> FSim;
};

}  // namespace karvelm
