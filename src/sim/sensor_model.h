// The legacy position-sensor board as the module presents it: eight counters of seven BCD
// digits with four status bits, and the test harness that drives their inputs from the
// board's output words: bits 3 and 7 are the quadrature phases, bit 11 the zero mark.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/sim_model.h"

namespace karvelm {

constexpr uint16_t kSimSensorBase = 0167700;
constexpr int kSimSensorChannels = 8;
constexpr uint16_t kSimOutputBase = 0167624;
constexpr int kSimOutputWords = 6;
constexpr int kSimCountModulus = 10000000;

// One harness: an output word wired to the inputs of one counter channel.
struct TSimHarness {
  uint16_t output = 0;  // 167624..167636
  int channel = 0;      // 0..7, the counter at 167700 + 4 * channel
  bool operator==(const TSimHarness&) const = default;
};

struct TSimSensorSetup {
  // Both words of the default output pair 167630-167632, on the first two channels.
  std::vector<TSimHarness> harnesses = {{0167630, 0}, {0167632, 1}};
  int startCount = 0;         // count of every wired channel at start, 0..9 999 999
  int lostCounts = 0;         // the next N counts the harnesses make are lost
  int alsoCounts = -1;        // a channel that counts along with every harness; -1: none
  bool zeroMarkWired = true;  // false: the zero-mark pulse reaches no counter
};

class TSensorModel final : public TSimModel {
 public:
  explicit TSensorModel(const TSimSensorSetup& setup = {});

  // Per channel: the count in BCD in bits 0..27, status in bits 28..31 (high word bits
  // 12..15). Writing a channel's high word sets its status bits; bit 29 arms the zero
  // mark, which then sets the count to 0 and bit 30.
  std::array<uint32_t, kSimSensorChannels> channels{};
  std::vector<TSimHarness> harnesses;
  int lostCounts = 0;
  int alsoCounts = -1;
  bool zeroMarkWired = true;

  void Install(TModuleSim& sim) override;

  // One step up (+1) or down (-1) of a channel's count, wrapping at 10 000 000.
  void Count(int channel, int step);
  // A harness output word was written: its edges drive the wired channels.
  void OutputWritten(uint16_t address, uint16_t value);

 private:
  std::array<uint16_t, kSimOutputWords> FOutputs{};  // last value of each output word
};

// Seven BCD digits and back; digits above 9 count with their value.
int SimBcdToInt(uint32_t bcd);
uint32_t SimIntToBcd(int value);

}  // namespace karvelm
