// One source of "now" and of millisecond sleeps, so that tests can make waits instant
// and check them.
#pragma once

#include <cstdint>
#include <vector>

namespace karvelm {

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since an arbitrary fixed start.
  virtual uint64_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
};

// Wall clock of the machine (steady, not affected by clock changes).
class TSystemClock final : public TClock {
 public:
  uint64_t NowMs() override;
  void SleepMs(int ms) override;
};

// Time that moves only when somebody sleeps or advances it; sleeps are recorded.
class TFakeClock final : public TClock {
 public:
  uint64_t NowMs() override { return now_; }
  void SleepMs(int ms) override;
  void Advance(uint64_t ms) { now_ += ms; }
  const std::vector<int>& Sleeps() const { return sleeps_; }

 private:
  uint64_t now_ = 0;
  std::vector<int> sleeps_;
};

// The clock the program uses; the system clock unless a test installs another.
TClock& Clock();
void SetClock(TClock* clock);  // nullptr restores the system clock

}  // namespace karvelm
