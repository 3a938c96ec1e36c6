// A sensor board with its count harness, on a fake bus module.
#pragma once

#include <array>
#include <map>
#include <optional>

#include "diag/diag_records.h"
#include "diag/sensor_count.h"
#include "fake_bus_module.h"

namespace karvelm::diagtest {

// The count harness: bits 3 and 7 of an output word are a channel's quadrature inputs, bit
// 11 its zero mark (taken when the channel's high word was written with 0x2000).
class SensorHarness {
 public:
  explicit SensorHarness(TFakeBusModule& module) {
    module.onWrite = [this](uint16_t address, uint32_t value) { Written(address, value); };
    module.onRead = [this](uint16_t address) -> std::optional<uint16_t> {
      if (address < kSensorBase || address >= kSensorBase + 32) return std::nullopt;
      const int channel = (address - kSensorBase) / 4;
      const uint32_t v = Value(channel);
      return static_cast<uint16_t>((address - kSensorBase) % 4 ? v >> 16 : v);
    };
  }

  std::map<uint16_t, int> wiring;  // output word -> channel
  std::array<int, kSensorChannels> count{};
  int lostCounts = 0;   // the next n counts up are lost
  int alsoCounts = -1;  // a channel that counts along
  bool zeroMarkWired = true;

  uint32_t Value(int channel) const {
    uint32_t bcd = 0;
    int n = count[static_cast<size_t>(channel)];
    for (int digit = 0; digit < 7; ++digit, n /= 10)
      bcd |= static_cast<uint32_t>(n % 10) << (4 * digit);
    return bcd | status[static_cast<size_t>(channel)] << 28;
  }

 private:
  static int Phase(uint32_t word) {
    static constexpr int kGray[4] = {0, 1, 3, 2};  // by (B, A): forward is A, AB, B, none
    return kGray[((word >> 7) & 1) << 1 | ((word >> 3) & 1)];
  }

  void Step(int channel, int delta) {
    int& n = count[static_cast<size_t>(channel)];
    n = (n + delta + kSensorCountModulus) % kSensorCountModulus;
  }

  void Written(uint16_t address, uint32_t value) {
    if (address >= kSensorBase && address < kSensorBase + 32 && (address - kSensorBase) % 4 == 2) {
      const size_t channel = static_cast<size_t>((address - kSensorBase) / 4);
      zeroEnabled[channel] = value & 0x2000;
      status[channel] = 0;
      return;
    }
    const auto wire = wiring.find(address);
    if (wire == wiring.end()) return;
    const int channel = wire->second;
    const uint32_t before = last[address];
    last[address] = value;
    const int turn = (Phase(value) - Phase(before) + 4) % 4;
    const int delta = turn == 1 ? 1 : turn == 3 ? -1 : 0;
    if (delta > 0 && lostCounts > 0) {
      --lostCounts;
    } else if (delta != 0) {
      Step(channel, delta);
      if (alsoCounts >= 0) Step(alsoCounts, delta);
    }
    const size_t ch = static_cast<size_t>(channel);
    if ((value & 0x800) && !(before & 0x800) && zeroEnabled[ch] && zeroMarkWired) {
      count[ch] = 0;
      status[ch] = 0x6;
    }
  }

  std::map<uint16_t, uint32_t> last;
  std::array<uint32_t, kSensorChannels> status{};
  std::array<bool, kSensorChannels> zeroEnabled{};
};

}  // namespace karvelm::diagtest
