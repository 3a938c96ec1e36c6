// What hangs off the simulated module's peripheral buses and boards: the control panel, the
// external modules and the loop-back harness. The lively setup is what karvelm-sim and the
// desktop program's simulator mode show by default: every kind of device, one module in its
// bootloader, counters moving, the harness on the default output pair.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/module_records.h"
#include "sim/harness_model.h"
#include "sim/peripheral_model.h"

namespace karvelm {

class TModuleSim;

struct TSimExtModuleSetup {
  uint32_t type = 0;
  uint32_t index = 0;
  ExtModuleInfo info;
  TSimCounters counters;
};

struct TSimPeripheralSetup {
  PanelLinkInfo panel{};
  TSimCounters panelCounters{};
  std::vector<TSimExtModuleSetup> modules;
  bool harness = false;
  std::vector<TSimHarnessWire> wires;
};

// The lively setup. Harness: 167630 to 167602, 167632 to 167604.
TSimPeripheralSetup LivelySetup();

// A register map serving the entries whose bits are set in mask (bit i: entry i), 0xFF
// elsewhere; a served entry holds its own number.
std::array<uint8_t, 16> SimRegisterMap(uint16_t mask);

// Replaces the panel, the external modules and the harness of the module with the setup.
// The input-only board words start at all ones: lines with nothing driving them float high.
void ApplyPeripheralSetup(TModuleSim& sim, const TSimPeripheralSetup& setup);

// Channels 1..channels served by the RK-130M at type 2 index 0, which the DAC corrections
// need; 0 takes it off the bus. A setup without one gets the lively one's.
void SetSimDacChannels(TSimPeripheralSetup& setup, int channels);

// "TYPE:INDEX:ADDRESS[:VERSION[:MASK]]", ADDRESS, VERSION and MASK in hexadecimal; the
// module gets counters that move. False when the text does not fit.
bool ParseSimExtModule(const std::string& text, TSimExtModuleSetup& module);

}  // namespace karvelm
