#include "app/ui/usb_watch.h"

#include <QSocketNotifier>

#include "base/ui/guarded_connect.h"
#include "link/usb_detector.h"

namespace karvelm {

TUsbWatch::TUsbWatch(TUSBDetector& detector, QObject* parent)
    : QObject(parent), FDetector(detector) {
  const int descriptor = FDetector.Descriptor();
  if (descriptor < 0) return;  // no notifications: the link works without hot-plug
  FNotifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
  ConnectGuarded(FNotifier, &QSocketNotifier::activated, this,
                 [this] { FDetector.HandlePending(); });
}

TUsbWatch::~TUsbWatch() = default;

}  // namespace karvelm
