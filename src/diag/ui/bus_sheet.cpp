#include "diag/ui/bus_sheet.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace karvelm {

namespace {

// Rows and fixed cells as the grids of the legacy page draw them: no Qt headers, the fixed row
// and column in the header colour.
QTableWidget* Grid(const char* name, int rows) {
  auto* grid = new QTableWidget(rows, kBusColumns);
  grid->setObjectName(name);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::NoSelection);
  grid->setFocusPolicy(Qt::NoFocus);
  grid->verticalHeader()->setMinimumSectionSize(kBusRowHeight);
  grid->verticalHeader()->setDefaultSectionSize(kBusRowHeight);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->horizontalHeader()->setMinimumSectionSize(20);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid->horizontalHeader()->setSectionResizeMode(bcDevice, QHeaderView::Fixed);
  grid->setColumnWidth(bcDevice, kBusFixedColumnWidth);
  grid->setWordWrap(false);
  return grid;
}

void MarkFixed(QTableWidgetItem& item) {
  item.setBackground(QPalette().button());
}

// The cell's text, written only when it changed: most cells stay as they are from tick to tick.
void SetCell(QTableWidget& grid, int row, int column, const std::string& text, bool fixed) {
  QTableWidgetItem* item = grid.item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    if (fixed) MarkFixed(*item);
    grid.setItem(row, column, item);
  }
  const QString value = QString::fromStdString(text);
  if (item->text() != value) item->setText(value);
}

void ShowRows(QTableWidget& grid, const std::vector<TGridRow>& rows, int fixedRows) {
  // The high-speed table grows with the listing; nothing listed is dropped.
  if (grid.rowCount() != static_cast<int>(rows.size()))
    grid.setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < kBusColumns; ++c)
      SetCell(grid, r, c, rows[static_cast<size_t>(r)][static_cast<size_t>(c)],
              r < fixedRows || c == bcDevice);
}

QLabel* Title(const char* text) {
  auto* title = new QLabel(QString::fromUtf8(text));
  title->setAlignment(Qt::AlignHCenter);
  return title;
}

}  // namespace

TPeripheralBusSheet::TPeripheralBusSheet(QWidget& sheet, TPageRegistry& registry)
    : QObject(&sheet), FRegistry(registry) {
  auto* column = new QVBoxLayout(&sheet);
  column->setContentsMargins(4, 4, 4, 4);
  StringGrid1 = Grid("StringGrid1", kLowSpeedRows);
  StringGrid1->setFixedHeight(kLowSpeedRows * kBusRowHeight + 2 * StringGrid1->frameWidth());
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid2 = Grid("StringGrid2", kHighSpeedRows);
  StringGrid2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  column->addWidget(Title(kLowSpeedTitle));
  column->addWidget(StringGrid1);
  column->addWidget(Title(kHighSpeedTitle));
  column->addWidget(StringGrid2, 1);
  ShowTables();
  registry.AddDataPage(pgPerifBus, *this);
}

void TPeripheralBusSheet::ShowTables() {
  const TBusTables& tables = FModel.Tables();
  ShowRows(*StringGrid1, {tables.low.begin(), tables.low.end()}, 1);
  ShowRows(*StringGrid2, tables.high, 0);
}

void TPeripheralBusSheet::Read() {
  FModel.Read();
}

void TPeripheralBusSheet::Show() {
  FModel.Show(FRegistry.FirmwareConnected());
  ShowTables();
}

void TPeripheralBusSheet::Relist() {
  FModel.Relist(FRegistry.FirmwareConnected());
  ShowTables();
}

}  // namespace karvelm
