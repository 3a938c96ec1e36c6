#include "sim/sim_console.h"

#include "link/module_commands.h"
#include "sim/module_sim.h"
#include "terminal/terminal_screen.h"

namespace karvelm {

void TConsoleModel::Install(TModuleSim& sim) {
  TBusMemory& bus = sim.Bus();
  constexpr uint16_t screenEnd = kTerminalScreenAddress + kTerminalScreenSize - 2;
  bus.AddHook({kTerminalModeAddress, screenEnd,
               [this](uint16_t address) {
                 uint16_t value = 0;
                 screen.ReadWord(address, value);
                 return value;
               },
               [this](uint16_t address, uint16_t value) { screen.WriteWord(address, value); }});
  // The register keeps the word as well, so that a bus read shows the last key.
  bus.AddHook({kConsoleKeyRegister, kConsoleKeyRegister, nullptr,
               [this, &bus](uint16_t address, uint16_t value) {
                 bus.Poke(address, value);
                 screen.Key(value);
               }});
}

}  // namespace karvelm
