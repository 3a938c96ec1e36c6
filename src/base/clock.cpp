#include "base/clock.h"

#include <chrono>
#include <thread>

namespace karvelm {

uint64_t TSystemClock::NowMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TSystemClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TFakeClock::SleepMs(int ms) {
  sleeps_.push_back(ms);
  if (ms > 0) now_ += static_cast<uint64_t>(ms);
}

namespace {
TSystemClock systemClock;
TClock* currentClock = &systemClock;
}  // namespace

TClock& Clock() {
  return *currentClock;
}

void SetClock(TClock* clock) {
  currentClock = clock ? clock : &systemClock;
}

}  // namespace karvelm
