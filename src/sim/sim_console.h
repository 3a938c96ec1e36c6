// The console screen of the simulated module on its bus: the monitor model answers the
// screen memory and the mode word, and takes what is written to the keyboard register.
#pragma once

#include <memory>

#include "sim/bus_memory.h"
#include "terminal/console_screen_model.h"

namespace karvelm {

// Hooks the model onto the bus; the hooks share it with the caller.
std::shared_ptr<TConsoleScreenModel> AttachConsoleModel(TBusMemory& bus);

}  // namespace karvelm
