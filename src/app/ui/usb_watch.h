// Hot-plug while the program runs: the detector's descriptor watched by the event loop,
// whose notifications are handled between link operations.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace karvelm {

class TUSBDetector;

class TUsbWatch final : public QObject {
  Q_OBJECT

 public:
  TUsbWatch(TUSBDetector& detector, QObject* parent = nullptr);
  ~TUsbWatch() override;

 private:
  TUSBDetector& FDetector;
  QSocketNotifier* FNotifier = nullptr;
};

}  // namespace karvelm
