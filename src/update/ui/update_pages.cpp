#include "update/ui/update_pages.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/ui/page_sheets.h"

namespace karvelm {

TUpdatePages::TUpdatePages(QWidget& window, QTabWidget& pages, bool serviceMode)
    : QObject(&window) {
  auto* column = new QVBoxLayout(&FindSheet(pages, "TabSheet10"));
  Button2 = new QPushButton(QString::fromUtf8("Прошить"));
  Button2->setObjectName("Button2");
  CheckBox5 = new QCheckBox(QString::fromUtf8("Загружать обновление из файла"));
  CheckBox5->setObjectName("CheckBox5");
  column->addWidget(Button2, 0, Qt::AlignLeft);
  column->addWidget(CheckBox5);
  // A service function: hidden unless the service switch was given.
  CheckBox5->setVisible(serviceMode);
  column->addStretch(1);
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setVisible(false);
  column->addWidget(ProgressBar1);
}

void TUpdatePages::ClickUpdateButton() {
  // Through the button's signal, so that whatever handles Button2 runs, enabled or not.
  emit Button2->clicked(false);
}

}  // namespace karvelm
