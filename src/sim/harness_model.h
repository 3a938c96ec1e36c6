// The loop-back test harness on the legacy input/output boards: each output line of a wired
// output word is fed back, inverted, into the input line of the same bit of its input word.
// Faults model what goes wrong with real cables: an open line (the input floats to 1) and
// two lines crossed.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sim/sim_model.h"

namespace karvelm {

// Input words of the boards that are inputs only; 167624 is also an output and stays memory.
constexpr uint16_t kSimFirstInputWord = 0167602;
constexpr uint16_t kSimLastInputWord = 0167622;

struct TSimHarnessWire {
  uint16_t output = 0;
  uint16_t input = 0;
  uint16_t openLines = 0;                  // bits whose input line is broken: they read 1
  std::vector<std::pair<int, int>> swaps;  // pairs of bits whose lines are crossed
};

class TLoopbackHarnessModel final : public TSimModel {
 public:
  // Off: every input word is plain memory (what a debug write put there). On: a wired input
  // word reads its output word through the wire.
  bool attached = false;
  std::vector<TSimHarnessWire> wires;

  // The word a wired input shows for the output word's value.
  static uint16_t FedBack(const TSimHarnessWire& wire, uint16_t output);
  // The wire that feeds the input word, or nullptr.
  TSimHarnessWire* WireTo(uint16_t input);

  void Install(TModuleSim& sim) override;
};

}  // namespace karvelm
