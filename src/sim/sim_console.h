// The console screen of the simulated module on its bus: the monitor model answers the
// screen memory and the mode word, and takes what is written to the keyboard register.
#pragma once

#include "sim/sim_model.h"
#include "terminal/console_screen_model.h"

namespace karvelm {

class TConsoleModel final : public TSimModel {
 public:
  TConsoleScreenModel screen;

  void Install(TModuleSim& sim) override;
};

}  // namespace karvelm
