#include "base/ui/painting_clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <algorithm>

namespace karvelm {

void TPaintingClock::Paint() {
  // Timers stay out: Timer1 or DACTimer must not run a tick inside the exchange.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                  QEventLoop::ExcludeSocketNotifiers |
                                  QEventLoop::X11ExcludeTimers);
}

void TPaintingClock::SleepMs(int ms) {
  Paint();
  while (ms > 0) {
    const int slice = std::min(ms, std::max(FSliceMs, 1));
    FInner.SleepMs(slice);
    ms -= slice;
    if (ms > 0) Paint();
  }
}

}  // namespace karvelm
