#include "base/ui/tab_switch_guard.h"

#include <QEvent>
#include <QTabBar>
#include <QTabWidget>

namespace karvelm {

TTabSwitchGuard::TTabSwitchGuard(QTabWidget& control, std::function<bool()> allowed)
    : QObject(&control), FAllowed(std::move(allowed)) {
  control.installEventFilter(this);
  control.tabBar()->installEventFilter(this);
}

bool TTabSwitchGuard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      if (!FAllowed()) return true;
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace karvelm
