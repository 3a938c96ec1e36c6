#include "base/ui/painting_waits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

namespace karvelm {

namespace {

// Short enough that an uncovered window is drawn again without a visible delay.
constexpr int kSliceMs = 20;

void DeliverPaints() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                  QEventLoop::ExcludeSocketNotifiers);
}

}  // namespace

TPaintingWaits::TPaintingWaits() : FInner(Clock()), FPrevious(&Clock()) {
  SetClock(this);
}

TPaintingWaits::~TPaintingWaits() {
  SetClock(FPrevious);
}

void TPaintingWaits::SleepMs(int ms) {
  const uint64_t end = FInner.NowMs() + static_cast<uint64_t>(std::max(ms, 0));
  DeliverPaints();
  for (uint64_t now = FInner.NowMs(); now < end; now = FInner.NowMs()) {
    FInner.SleepMs(static_cast<int>(std::min<uint64_t>(end - now, kSliceMs)));
    DeliverPaints();
  }
}

}  // namespace karvelm
