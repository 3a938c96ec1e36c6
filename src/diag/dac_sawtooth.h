// The sawtooth test of one DAC channel: the sample sequence and the 10 ms timer's step.
#pragma once

#include <cstdint>

namespace karvelm {

constexpr int kDacTimerIntervalMs = 10;
constexpr const char* kSawtoothCaption = "Тест пила";
constexpr const char* kSawtoothStopCaption = "Стоп";
constexpr uint16_t kSawtoothStep = 819;      // 0x333
constexpr uint16_t kSawtoothLimit = 0x3FFF;  // a magnitude this high starts over
constexpr uint16_t kSawtoothSignBit = 0x8000;

// 0, 819, ... 16380 (21 samples), then the same with the sign bit: 42 samples a period.
class TSawtoothGenerator {
 public:
  uint16_t test_dac_data = 0;
  uint16_t test_dac_sign = 0;

  void Restart() { test_dac_data = test_dac_sign = 0; }
  uint16_t Sample() const { return static_cast<uint16_t>(test_dac_sign | test_dac_data); }
  void Advance();
};

// DACTestClick and DACTimerTimer without the buttons and timers.
class TSawtoothTest {
 public:
  bool Running() const { return FRunning; }
  int Channel() const { return FChannel; }
  const TSawtoothGenerator& Generator() const { return FGenerator; }

  // Start on channel 0..7: nothing while not connected; the channel is taken, and the test
  // runs from sample 0 when the firmware answers. True when it started.
  bool Start(int channel, bool firmwareConnected);
  // Stop leaves the channel at its last sample.
  void Stop() { FRunning = false; }
  // One timer event: the sample written to 167640 + 2 * channel, then the next sample,
  // whether or not the write succeeded. Returns the write's success.
  bool Tick();

 private:
  bool FRunning = false;
  int FChannel = 0;
  TSawtoothGenerator FGenerator;
};

}  // namespace karvelm
