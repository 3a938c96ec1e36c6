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

void UseButtonTabs(QTabWidget& pages) {
  pages.setDocumentMode(true);
  pages.tabBar()->setDrawBase(false);
  pages.tabBar()->setStyleSheet(
      "QTabBar::tab {"
      " border: 1px solid palette(dark); border-radius: 3px;"
      " padding: 3px 8px; margin: 2px 3px 2px 0px;"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
      "   stop:0 palette(light), stop:1 palette(button));"
      " color: palette(button-text); }"
      "QTabBar::tab:hover:!selected { border-color: palette(highlight); }"
      "QTabBar::tab:selected {"
      " border-color: palette(shadow);"
      " background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
      "   stop:0 palette(mid), stop:1 palette(button)); }");
}

int CurrentPageIndex(const QTabWidget& pages, std::span<const TPageTab> tabs) {
  const QWidget* sheet = pages.currentWidget();
  if (!sheet) return -1;
  for (const TPageTab& tab : tabs) {
    if (sheet->objectName() == QLatin1String(tab.name)) return tab.index;
  }
  return -1;
}

int TabPosition(const QTabWidget& pages, std::span<const TPageTab> tabs, int index) {
  for (const TPageTab& tab : tabs) {
    if (tab.index == index) return pages.indexOf(pages.findChild<QWidget*>(tab.name));
  }
  return -1;
}

}  // namespace karvelm
