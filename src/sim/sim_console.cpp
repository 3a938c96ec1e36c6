#include "sim/sim_console.h"

#include "link/module_commands.h"
#include "terminal/terminal_screen.h"

namespace karvelm {

std::shared_ptr<TConsoleScreenModel> AttachConsoleModel(TBusMemory& bus) {
  auto model = std::make_shared<TConsoleScreenModel>();
  constexpr uint16_t screenEnd = kTerminalScreenAddress + kTerminalScreenSize - 2;
  bus.AddHook({kTerminalModeAddress, screenEnd,
               [model](uint16_t address) {
                 uint16_t value = 0;
                 model->ReadWord(address, value);
                 return value;
               },
               [model](uint16_t address, uint16_t value) { model->WriteWord(address, value); }});
  // The register keeps the word as well, so that a bus read shows the last key.
  bus.AddHook({kConsoleKeyRegister, kConsoleKeyRegister, nullptr,
               [model, &bus](uint16_t address, uint16_t value) {
                 bus.Poke(address, value);
                 model->Key(value);
               }});
  return model;
}

}  // namespace karvelm
