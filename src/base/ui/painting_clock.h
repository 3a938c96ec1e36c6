// Waits of a long exchange inside a handler (tests, calibration) that let the window paint what
// the exchange has decided so far, without taking user input, timer ticks or socket events
// until the exchange ends.
#pragma once

#include "base/clock.h"

namespace karvelm {

class TPaintingClock final : public TClock {
 public:
  // Time and sleeps come from inner; a sleep longer than sliceMs is cut into slices with the
  // window painted between them.
  explicit TPaintingClock(TClock& inner, int sliceMs = 20) : FInner(inner), FSliceMs(sliceMs) {}

  uint64_t NowMs() override { return FInner.NowMs(); }
  void SleepMs(int ms) override;

  // Paints what is pending now.
  static void Paint();

 private:
  TClock& FInner;
  int FSliceMs;
};

// Installs a painting clock over the program's clock for its scope.
class TPaintingWaits {
 public:
  TPaintingWaits() : FPrevious(Clock()), FClock(FPrevious) { SetClock(&FClock); }
  ~TPaintingWaits() { SetClock(&FPrevious); }
  TPaintingWaits(const TPaintingWaits&) = delete;
  TPaintingWaits& operator=(const TPaintingWaits&) = delete;

 private:
  TClock& FPrevious;
  TPaintingClock FClock;
};

}  // namespace karvelm
