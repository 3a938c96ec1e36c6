#include "config/ui/set_points_sheet.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "base/ui/guarded_connect.h"
#include "config/set_point_page.h"

namespace karvelm {

TSetPointsSheet::TSetPointsSheet(QWidget& sheet, TConfigImage& image)
    : QObject(&sheet), FImage(image) {
  auto* grid = new QGridLayout(&sheet);
  grid->setHorizontalSpacing(16);
  grid->setVerticalSpacing(2);
  auto* address = new QLabel(QString::fromUtf8(kSetPointAddressHeading));
  address->setObjectName("SetPointAddressHeading");
  auto* value = new QLabel(QString::fromUtf8(kSetPointValueHeading));
  value->setObjectName("SetPointValueHeading");
  grid->addWidget(address, 0, 0);
  grid->addWidget(value, 0, 1);
  for (int i = 0; i < kSetPointWords; ++i) {
    auto* label = new QLabel(QString::fromStdString(SetPointAddressText(i)));
    label->setObjectName(QString("SetPointAddress%1").arg(i));
    auto* entry = new QLineEdit(QString::fromUtf8(kSetPointInitialText));
    entry->setObjectName(SetPointEntryName(i));
    entry->setProperty("tag", i);
    entry->setAlignment(Qt::AlignRight);
    entry->setFixedWidth(90);
    grid->addWidget(label, i + 1, 0);
    grid->addWidget(entry, i + 1, 1);
    FEntries[i] = entry;
    ConnectGuarded(entry, &QLineEdit::textChanged, this, [this, i] { OctoEditChange(i); });
  }
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(kSetPointWords + 1, 1);
  FNormal = FEntries[0]->palette();
  FError = FNormal;
  FError.setColor(QPalette::Text, Qt::red);
}

void TSetPointsSheet::TabSheet4Show() {
  for (int i = 0; i < kSetPointWords; ++i) {
    FEntries[i]->setText(QString::fromStdString(SetPointText(FImage, i)));
    FEntries[i]->setPalette(FNormal);
  }
}

void TSetPointsSheet::OctoEditChange(int index) {
  QLineEdit* entry = FEntries[index];
  const bool converted = StoreSetPointText(FImage, index, entry->text().toStdString());
  entry->setPalette(converted ? FNormal : FError);
}

}  // namespace karvelm
