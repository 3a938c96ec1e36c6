#include "config/ui/device_params_sheet.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "base/ui/guarded_connect.h"
#include "config/ui/ext_inputs_dialog.h"

namespace karvelm {

namespace {

QLabel* Label(const char* text, const QString& buddyName) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setObjectName(buddyName + "Label");
  return label;
}

}  // namespace

TDeviceParamsSheet::TDeviceParamsSheet(QWidget& sheet, TConfigImage& image,
                                       TExtInputsDialog& dialog)
    : QObject(&sheet), FImage(image), FDialog(dialog) {
  auto* column = new QVBoxLayout(&sheet);
  auto* form = new QFormLayout;
  form->setLabelAlignment(Qt::AlignLeft);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  column->addLayout(form);

  Edit9 = new QLineEdit;
  Edit9->setObjectName(kConfigNameControl);
  // The stored name and its 0 byte must end before the settings block's checksum word.
  Edit9->setMaxLength(kConfigNameEntryMaxLength);
  Edit9->setMinimumWidth(320);
  form->addRow(Label(kConfigNameLabel, Edit9->objectName()), Edit9);
  // Every change, also the refresh's own, stores the whole name again.
  ConnectGuarded(Edit9, &QLineEdit::textChanged, this, &TDeviceParamsSheet::Edit9Change);

  for (const TConfigField* field : DeviceParamLists()) {
    auto* list = new QComboBox;
    list->setObjectName(field->control);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const char* item : field->items) list->addItem(QString::fromUtf8(item));
    form->addRow(Label(field->label, list->objectName()), list);
    FLists.push_back({field, list});
    // The user's picks only: a refresh must not store the list's index back.
    ConnectGuarded(list, &QComboBox::activated, this,
                   [this, field](int index) { StoreListItem(FImage, *field, index); });
  }

  auto* button = new QPushButton(QString::fromUtf8(kExtInputsButtonCaption));
  button->setObjectName(kExtInputsButton);
  column->addWidget(button, 0, Qt::AlignLeft);
  column->addStretch(1);
  ConnectGuarded(button, &QPushButton::clicked, this, &TDeviceParamsSheet::Button34Click);
}

void TDeviceParamsSheet::TabSheet1Show() {
  for (const TList& list : FLists)
    list.control->setCurrentIndex(ListSelection(FImage, *list.field).value_or(-1));
  Edit9->setText(QString::fromStdString(ConfigNameText(FImage)));
}

void TDeviceParamsSheet::Edit9Change() {
  StoreConfigName(FImage, Edit9->text().toStdString());
}

void TDeviceParamsSheet::Button34Click() {
  FDialog.Edit(FImage);
}

}  // namespace karvelm
