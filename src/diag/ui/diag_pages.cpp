#include "diag/ui/diag_pages.h"

#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "base/ui/page_sheets.h"
#include "base/ui/tab_switch_guard.h"
#include "diag/sub_pages.h"
#include "diag/ui/dac_sheet.h"
#include "diag/ui/sensor_sheet.h"
#include "diag/ui/bus_sheet.h"
#include "diag/ui/debug_sheet.h"
#include "diag/ui/in_out_sheet.h"

namespace karvelm {

TDiagPages::TDiagPages(QWidget& window, QTabWidget& pages, TPageRegistry& registry,
                       TShellServices& services)
    : QObject(&window) {
  auto* column = new QVBoxLayout(&FindSheet(pages, "TabSheet5"));
  column->setContentsMargins(0, 0, 0, 0);
  PageControl2 = new QTabWidget;
  PageControl2->setObjectName("PageControl2");
  for (const TPageTab& tab : kDiagSubPages) AddSheet(*PageControl2, tab.name, tab.caption);
  UseSmallTabFace(*PageControl2);
  UseButtonTabs(*PageControl2);
  column->addWidget(PageControl2);

  // One sheet a line.
  FBusSheet = new TPeripheralBusSheet(FindSheet(*PageControl2, "TabSheet6"), registry);
  FInOutSheet = new TInOutSheet(FindSheet(*PageControl2, "TabSheet7"), registry, services);
  FDebugSheet = new TDebugSheet(FindSheet(pages, "TabSheet11"), registry, services);

  DACTimer = new QTimer(this);
  DACTimer->setObjectName("DACTimer");
  DACTimer->setInterval(10);
  // PageControl2Changing here; PageControl1Changing asks the supervisor, which asks this.
  new TTabSwitchGuard(*PageControl2, [this] { return !DACTimer->isActive(); });
  registry.HoldPageChangesWhile([this] { return DACTimer->isActive(); });

  // The sub-pages, one line each.
  new TDacSheet(FindSheet(*PageControl2, "TabSheet8"), *DACTimer, registry, services);
  new TSensorSheet(FindSheet(*PageControl2, "TabSheet9"), registry, services);

  connect(PageControl2, &QTabWidget::currentChanged, this, &TDiagPages::SubPageChanged);
}

int TDiagPages::CurrentSubPage() const {
  return CurrentPageIndex(*PageControl2, kDiagSubPages);
}

}  // namespace karvelm
