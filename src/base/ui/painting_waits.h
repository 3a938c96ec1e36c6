// The waits of a long exchange inside a handler (tests, calibration) let the window paint:
// while a TPaintingWaits lives, every sleep of the clock seam first delivers the pending
// paint work and then sleeps in short slices, delivering it again between them. User input
// stays queued until the exchange ends, so nothing the user does interleaves with it.
#pragma once

#include "base/clock.h"

namespace karvelm {

class TPaintingWaits final : public TClock {
 public:
  // Takes the place of the current clock (a test's fake clock keeps counting the sleeps).
  TPaintingWaits();
  ~TPaintingWaits() override;
  TPaintingWaits(const TPaintingWaits&) = delete;
  TPaintingWaits& operator=(const TPaintingWaits&) = delete;

  uint64_t NowMs() override { return FInner.NowMs(); }
  void SleepMs(int ms) override;

 private:
  TClock& FInner;
  TClock* FPrevious;
};

}  // namespace karvelm
