#include "diag/ui/diag_pages.h"

#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "base/ui/page_sheets.h"
#include "base/ui/tab_switch_guard.h"
#include "diag/sub_pages.h"

namespace karvelm {

TDiagPages::TDiagPages(QWidget& window, QTabWidget& pages, TPageRegistry& registry)
    : QObject(&window) {
  auto* column = new QVBoxLayout(&FindSheet(pages, "TabSheet5"));
  column->setContentsMargins(0, 0, 0, 0);
  PageControl2 = new QTabWidget;
  PageControl2->setObjectName("PageControl2");
  PageControl2->setDocumentMode(true);
  for (const TPageTab& tab : kDiagSubPages) AddSheet(*PageControl2, tab.name, tab.caption);
  PageControl2->tabBar()->setExpanding(false);
  PageControl2->tabBar()->setUsesScrollButtons(true);
  UseSmallTabFace(*PageControl2);
  UseButtonTabs(*PageControl2);
  column->addWidget(PageControl2);

  DACTimer = new QTimer(this);
  DACTimer->setObjectName("DACTimer");
  DACTimer->setInterval(10);
  // PageControl2Changing here; PageControl1Changing asks the supervisor, which asks this.
  new TTabSwitchGuard(*PageControl2, [this] { return !DACTimer->isActive(); });
  registry.HoldPageChangesWhile([this] { return DACTimer->isActive(); });

  connect(PageControl2, &QTabWidget::currentChanged, this, &TDiagPages::SubPageChanged);
}

int TDiagPages::CurrentSubPage() const {
  return CurrentPageIndex(*PageControl2, kDiagSubPages);
}

}  // namespace karvelm
