#include "sim/harness_model.h"

#include "sim/module_sim.h"

namespace karvelm {

uint16_t TLoopbackHarnessModel::FedBack(const TSimHarnessWire& wire, uint16_t output) {
  // Line i carries output bit source[i] to input bit i.
  int source[16];
  for (int i = 0; i < 16; ++i) source[i] = i;
  for (const auto& [a, b] : wire.swaps)
    if (a >= 0 && a < 16 && b >= 0 && b < 16) std::swap(source[a], source[b]);
  uint16_t input = 0;
  for (int i = 0; i < 16; ++i)
    if (!((output >> source[i]) & 1)) input |= static_cast<uint16_t>(1u << i);
  return static_cast<uint16_t>(input | wire.openLines);
}

TSimHarnessWire* TLoopbackHarnessModel::WireTo(uint16_t input) {
  for (TSimHarnessWire& wire : wires)
    if (wire.input == input) return &wire;
  return nullptr;
}

void TLoopbackHarnessModel::Install(TModuleSim& sim) {
  TBusMemory& memory = sim.Bus();
  TBusHook hook;
  hook.first = kSimFirstInputWord;
  hook.last = kSimLastInputWord;
  hook.onRead = [this, &memory](uint16_t address) {
    const TSimHarnessWire* wire = attached ? WireTo(address) : nullptr;
    return wire ? FedBack(*wire, memory.Read(wire->output)) : memory.Peek(address);
  };
  memory.AddHook(std::move(hook));
}

}  // namespace karvelm
