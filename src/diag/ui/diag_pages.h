// The diagnostics pages, put onto the window's sheet TabSheet5: the sub-page control
// PageControl2 with its four sub-pages, and DACTimer, the 10 ms timer of the DAC sawtooth test.
// While that timer runs no page of either page control may be changed. Also the service-mode
// debug page on the window's sheet TabSheet11, which shows the same board words.
#pragma once

#include <QObject>

#include "base/data_page.h"
#include "base/shell_services.h"

class QTabWidget;
class QTimer;
class QWidget;

namespace karvelm {

class TPeripheralBusSheet;
class TInOutSheet;
class TDebugSheet;

class TDiagPages final : public QObject {
  Q_OBJECT

 public:
  // window: the owner; pages: the control holding the sheets; registry: the supervisor, which
  // the data pages are registered with; services: the window's cursor, timer and repaint.
  TDiagPages(QWidget& window, QTabWidget& pages, TPageRegistry& registry, TShellServices& services);

  // The TDiagPage in view, found by the sheet's name; -1 for none.
  int CurrentSubPage() const;

 Q_SIGNALS:
  // The user chose another sub-page (PageControl2Change).
  void SubPageChanged();

 private:
  QTabWidget* PageControl2 = nullptr;
  QTimer* DACTimer = nullptr;
  // Owned by their sheets.
  TPeripheralBusSheet* FBusSheet = nullptr;
  TInOutSheet* FInOutSheet = nullptr;
  TDebugSheet* FDebugSheet = nullptr;
};

}  // namespace karvelm
