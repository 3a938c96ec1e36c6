#include "terminal/ui/terminal_pages.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/ui/page_sheets.h"

namespace karvelm {

namespace {

constexpr int kTerminalLines = 16;

}  // namespace

TTerminalPages::TTerminalPages(QWidget& window, QTabWidget& pages)
    : QObject(&window), FSheet(&FindSheet(pages, "TabSheet3")) {
  auto* column = new QVBoxLayout(FSheet);
  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  column->addWidget(Memo1);
  QStringList lines;
  for (int i = 0; i < kTerminalLines; ++i) lines << QString();
  Memo1->setPlainText(lines.join('\n'));
  // The keys go to the module from the memo: it takes the focus when the user enters the page
  // (the page control reports only the user's switches).
  connect(&pages, &QTabWidget::currentChanged, this, [this, &pages] {
    if (pages.currentWidget() == FSheet) Memo1->setFocus();
  });
}

}  // namespace karvelm
