#include "config/ui/config_diff_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace karvelm {

namespace {

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

TConfigDiffDialog::TConfigDiffDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(kConfigDiffFormName);
  setWindowTitle(QString::fromUtf8(kConfigDiffCaption));
  auto* column = new QVBoxLayout(this);
  FSummary = new QLabel;
  FSummary->setObjectName("DiffSummary");
  FSummary->setWordWrap(true);
  FTable = new QTableWidget(0, 3);
  FTable->setObjectName("DiffTable");
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->verticalHeader()->setVisible(false);
  FTable->horizontalHeader()->setStretchLastSection(true);
  auto* close = new QPushButton(QString::fromUtf8("Закрыть"));
  close->setObjectName("DiffClose");
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  column->addWidget(FSummary);
  column->addWidget(FTable, 1);
  column->addLayout(buttons);
  resize(720, 420);
}

void TConfigDiffDialog::ShowDiff(const TConfigDiff& diff, const std::string& fileName) {
  const QString file = QString::fromStdString(fileName);
  FTable->setHorizontalHeaderLabels({QString::fromUtf8("Параметр"),
                                     QString::fromUtf8("Открытая конфигурация"),
                                     QString::fromUtf8("Файл ") + file});
  const std::vector<TDiffTableRow> rows = DiffTableRows(diff);
  FSummary->setText(
      rows.empty() ? QString::fromUtf8("Открытая конфигурация и файл %1 совпадают.").arg(file)
                   : QString::fromUtf8("Различий с файлом %1: %2.").arg(file).arg(rows.size()));
  FTable->clearSpans();
  FTable->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const TDiffTableRow& row = rows[static_cast<size_t>(r)];
    FTable->setItem(r, 0, Cell(row.item));
    FTable->setItem(r, 1, Cell(row.a));
    FTable->setItem(r, 2, Cell(row.b));
    if (row.spansValues) FTable->setSpan(r, 1, 1, 2);
  }
  FTable->resizeColumnsToContents();
  FTable->horizontalHeader()->setStretchLastSection(true);
}

}  // namespace karvelm
