#include "sim/sensor_model.h"

#include "sim/module_sim.h"

namespace karvelm {

namespace {

constexpr uint16_t kPhaseA = 0x0008;
constexpr uint16_t kPhaseB = 0x0080;
constexpr uint16_t kZeroMark = 0x0800;
constexpr uint32_t kCountBits = 0x0FFFFFFF;
constexpr uint32_t kStatusBits = 0xF0000000;
constexpr uint32_t kZeroMarkArmed = 0x20000000;
constexpr uint32_t kZeroMarkSeen = 0x40000000;

// Position of the phases in the quadrature cycle 00, A, AB, B.
int Phase(uint16_t word) {
  static constexpr int kPositions[4] = {0, 1, 3, 2};  // index: A | B << 1
  return kPositions[((word & kPhaseA) ? 1 : 0) | ((word & kPhaseB) ? 2 : 0)];
}

bool ValidChannel(int channel) {
  return channel >= 0 && channel < kSimSensorChannels;
}

}  // namespace

int SimBcdToInt(uint32_t bcd) {
  int value = 0;
  for (int digit = 6; digit >= 0; --digit) value = value * 10 + ((bcd >> (4 * digit)) & 0xF);
  return value;
}

uint32_t SimIntToBcd(int value) {
  uint32_t bcd = 0;
  for (int digit = 0; digit < 7; ++digit, value /= 10)
    bcd |= static_cast<uint32_t>(value % 10) << (4 * digit);
  return bcd;
}

TSensorModel::TSensorModel(const TSimSensorSetup& setup)
    : harnesses(setup.harnesses),
      lostCounts(setup.lostCounts),
      alsoCounts(setup.alsoCounts),
      zeroMarkWired(setup.zeroMarkWired) {
  const uint32_t start = SimIntToBcd(setup.startCount % kSimCountModulus);
  for (const TSimHarness& harness : harnesses)
    if (ValidChannel(harness.channel)) channels[static_cast<size_t>(harness.channel)] = start;
}

void TSensorModel::Count(int channel, int step) {
  if (!ValidChannel(channel)) return;
  uint32_t& value = channels[static_cast<size_t>(channel)];
  int count = SimBcdToInt(value & kCountBits) % kSimCountModulus;
  count = (count + step + kSimCountModulus) % kSimCountModulus;
  value = (value & kStatusBits) | SimIntToBcd(count);
}

void TSensorModel::OutputWritten(uint16_t address, uint16_t value) {
  uint16_t& previous = FOutputs[static_cast<size_t>((address - kSimOutputBase) >> 1)];
  const uint16_t before = previous;
  previous = value;
  // One count per change of phase: +1 a quarter cycle forward, -1 back; a jump of two
  // quarters cannot be told apart and is not counted.
  const int quarter = (Phase(value) - Phase(before) + 4) % 4;
  const int step = quarter == 1 ? 1 : quarter == 3 ? -1 : 0;
  const bool zeroMark = (value & kZeroMark) && !(before & kZeroMark);
  for (const TSimHarness& harness : harnesses) {
    if (harness.output != address) continue;
    if (step != 0) {
      if (lostCounts > 0) {
        --lostCounts;
      } else {
        Count(harness.channel, step);
        if (alsoCounts != harness.channel) Count(alsoCounts, step);
      }
    }
    if (zeroMark && zeroMarkWired && ValidChannel(harness.channel)) {
      uint32_t& channel = channels[static_cast<size_t>(harness.channel)];
      if (channel & kZeroMarkArmed) channel = (channel & kStatusBits) | kZeroMarkSeen;
    }
  }
}

void TSensorModel::Install(TModuleSim& sim) {
  TBusHook counters;
  counters.first = kSimSensorBase;
  counters.last = static_cast<uint16_t>(kSimSensorBase + 4 * kSimSensorChannels - 2);
  counters.onRead = [this](uint16_t address) {
    const int word = (address - kSimSensorBase) >> 1;
    const uint32_t value = channels[static_cast<size_t>(word >> 1)];
    return static_cast<uint16_t>((word & 1) ? value >> 16 : value);
  };
  // The low word is the count alone and takes no writes; the high word's bits 12..15 set
  // the status bits, its count digits stay.
  counters.onWrite = [this](uint16_t address, uint16_t value) {
    const int word = (address - kSimSensorBase) >> 1;
    if (!(word & 1)) return;
    uint32_t& channel = channels[static_cast<size_t>(word >> 1)];
    channel = (channel & kCountBits) | (static_cast<uint32_t>(value & 0xF000) << 16);
  };
  sim.Bus().AddHook(std::move(counters));

  // The output words keep whatever behaviour they had (stored, or another model's); the
  // harness only listens to what is written.
  TBusMemory& bus = sim.Bus();
  for (int i = 0; i < kSimOutputWords; ++i) {
    const uint16_t address = static_cast<uint16_t>(kSimOutputBase + 2 * i);
    TBusHook hook;
    if (const TBusHook* under = bus.HookAt(address)) hook = *under;
    hook.first = hook.last = address;
    hook.onWrite = [this, &bus, below = hook.onWrite](uint16_t at, uint16_t value) {
      if (below)
        below(at, value);
      else
        bus.Poke(at, value);
      OutputWritten(at, value);
    };
    bus.AddHook(std::move(hook));
  }
}

}  // namespace karvelm
