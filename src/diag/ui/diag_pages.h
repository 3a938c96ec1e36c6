// The diagnostics pages, put onto the window's sheet TabSheet5: the sub-page control
// PageControl2 with its four sub-pages, and DACTimer, the 10 ms timer of the DAC sawtooth test.
// While that timer runs no page of either page control may be changed.
#pragma once

#include <QObject>

#include "base/data_page.h"
#include "base/shell_services.h"

class QTabWidget;
class QTimer;
class QWidget;

namespace karvelm {

class TDiagPages final : public QObject {
  Q_OBJECT

 public:
  // window: the owner; pages: the control holding the sheet; registry: the supervisor;
  // services: the window's, for the tests and the calibration.
  TDiagPages(QWidget& window, QTabWidget& pages, TPageRegistry& registry, TShellServices& services);

  // The TDiagPage in view, found by the sheet's name; -1 for none.
  int CurrentSubPage() const;

 Q_SIGNALS:
  // The user chose another sub-page (PageControl2Change).
  void SubPageChanged();

 private:
  QTabWidget* PageControl2 = nullptr;
  QTimer* DACTimer = nullptr;
};

}  // namespace karvelm
