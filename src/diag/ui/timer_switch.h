// Timer1 as the diagnostics cores switch it (off once the module has answered, on at the end),
// held by a TTimerPause so that an exception in between still turns the tick on again.
#pragma once

#include <optional>

#include "base/shell_services.h"
#include "diag/bus_access.h"

namespace karvelm {

class TTimer1Switch {
 public:
  explicit TTimer1Switch(TShellServices& services) : FServices(services) {}

  TTimerSwitch Switch() {
    return [this](bool enabled) {
      if (enabled)
        FPause.reset();
      else if (!FPause)
        FPause.emplace(FServices);
    };
  }

 private:
  TShellServices& FServices;
  std::optional<TTimerPause> FPause;
};

}  // namespace karvelm
