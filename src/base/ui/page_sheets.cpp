#include "base/ui/page_sheets.h"

#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <stdexcept>
#include <string>

namespace karvelm {

QWidget& FindSheet(QTabWidget& pages, const char* name) {
  auto* sheet = pages.findChild<QWidget*>(name);
  if (!sheet) throw std::logic_error(std::string("no page ") + name);
  return *sheet;
}

QWidget& AddSheet(QTabWidget& pages, const char* name, const char* caption) {
  auto* sheet = new QWidget;
  sheet->setObjectName(name);
  pages.addTab(sheet, QString::fromUtf8(caption));
  return *sheet;
}

void UseSmallTabFace(QTabWidget& pages) {
  QFont small = pages.tabBar()->font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  pages.tabBar()->setFont(small);
}

}  // namespace karvelm
