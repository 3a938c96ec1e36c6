// The --simulator mode: every link kind opens on one in-process simulated module, so the
// whole program can be used and shown without hardware.
#pragma once

#include <memory>
#include <string>

#include "app/link_chooser.h"
#include "sim/module_sim.h"
#include "update/image_resolver.h"

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
  // The built-in firmware images the simulator mode updates with: the simulator's own, which
  // the simulated module recognises. Empty until the simulator carries images of its own; the
  // program then looks for them in its usual places.
  std::shared_ptr<TImageSource> FirmwareImages();

 private:
  std::unique_ptr<TModuleSim> FSim;
};

}  // namespace karvelm
