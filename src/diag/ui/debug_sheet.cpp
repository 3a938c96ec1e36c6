#include "diag/ui/debug_sheet.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "base/octal_text.h"
#include "diag/board_io.h"
#include "diag/ui/bit_widgets.h"

namespace karvelm {

TDebugSheet::TDebugSheet(QWidget& sheet, TPageRegistry& registry, TShellServices& services)
    : QObject(&sheet), FRegistry(registry), FServices(services) {
  auto* column = new QVBoxLayout(&sheet);
  column->setContentsMargins(6, 4, 6, 4);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(24);
  grid->setVerticalSpacing(0);
  column->addLayout(grid);
  column->addStretch(1);

  // Two words a row, the higher address on the left, under the bit numbers; the inputs first.
  int row = 0;
  for (size_t i = 0; i < kDebugLabels.size(); i += 2) {
    if (i == 0 || (kDebugLabels[i].input != kDebugLabels[i - 1].input)) {
      if (i != 0) grid->setRowMinimumHeight(row++, 8);
      grid->addWidget(TBitsLabel::Heading(kInputBitHeading), row, 0);
      grid->addWidget(TBitsLabel::Heading(kInputBitHeading), row, 1);
      ++row;
    }
    for (size_t k : {i + 1, i}) {
      const TDebugLabel& label = kDebugLabels[k];
      const int side = k == i ? 1 : 0;
      grid->addWidget(new QLabel(QString::fromStdString(WordToOctal(label.address))), row, side);
      auto* bits = new TBitsLabel(label.name);
      FLabels[k] = bits;
      if (label.input) {
        const int tag = label.word;
        bits->setProperty("Tag", tag);
        bits->setCursor(Qt::PointingHandCursor);
        bits->OnMouseDown = [this, tag](int x) { DebugMouseDown(tag, x); };
      }
      grid->addWidget(bits, row + 1, side);
    }
    row += 2;
  }
  grid->setColumnStretch(2, 1);
  Show();
  registry.AddDataPage(pgDebug, *this);
}

void TDebugSheet::Read() {
  FModel.Read();
}

void TDebugSheet::Show() {
  for (size_t i = 0; i < FLabels.size(); ++i)
    FLabels[i]->setText(QString::fromStdString(FModel.LabelText(static_cast<int>(i))));
}

void TDebugSheet::DebugMouseDown(int tag, int x) {
  if (!FRegistry.FirmwareConnected()) return;
  TBusyCursor cursor(FServices);
  FModel.MouseDown(tag, x, FLabels.at(static_cast<size_t>(tag))->width(), true);
}

}  // namespace karvelm
