#include "config/ui/ext_inputs_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ui/guarded_connect.h"

namespace karvelm {

TExtInputsDialog::TExtInputsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("ExtInputsForm");
  setWindowTitle(QString::fromUtf8(kExtInputsCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);

  auto* column = new QVBoxLayout(this);
  for (int group = 0; group < kExtInputGroups; ++group) {
    const TExtInputGroup& names = ExtInputGroup(group);
    auto* box = new QGroupBox(QString::fromUtf8(names.field->label));
    box->setObjectName(names.field->control);
    auto* row = new QHBoxLayout(box);
    auto* check = new QCheckBox(QString::fromUtf8(kExtInputsCheckBoxText));
    check->setObjectName(names.checkBox);
    auto* label = new QLabel(QString::fromUtf8(kExtInputsLabelText));
    label->setObjectName(names.label);
    auto* list = new QComboBox;
    list->setObjectName(names.comboBox);
    for (const char* item : IntRegItems) list->addItem(QString::fromUtf8(item));
    list->setCurrentIndex(FModel.Group(group).itemIndex);
    row->addWidget(check);
    row->addStretch(1);
    row->addWidget(label);
    row->addWidget(list);
    column->addWidget(box);
    FCheckBoxes[group] = check;
    FLists[group] = list;

    // Only the user's clicks and picks reach the model; FormShow sets the controls silently.
    ConnectGuarded(check, &QCheckBox::clicked, this, [this, group](bool checked) {
      FModel.SetGroupUsed(group, checked);
      ShowGroup(group);
    });
    ConnectGuarded(list, &QComboBox::activated, this, [this, group](int index) {
      FModel.PickItem(group, index);
      ShowGroup(group);
    });
  }

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QString::fromUtf8(kExtInputsOkText));
  ok->setObjectName("Button1");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QString::fromUtf8(kExtInputsCancelText));
  cancel->setObjectName("Button2");
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  column->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

bool TExtInputsDialog::Edit(TConfigImage& image) {
  return EditExtInputs(image, FModel,
                       [this](TExtInputsForm&) { return exec() == QDialog::Accepted; });
}

void TExtInputsDialog::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TExtInputsDialog::FormShow() {
  FModel.ShowValues();
  for (int group = 0; group < kExtInputGroups; ++group) ShowGroup(group);
}

void TExtInputsDialog::ShowGroup(int group) {
  const TExtInputsForm::TGroupView& view = FModel.Group(group);
  QSignalBlocker blockCheck(FCheckBoxes[group]);
  QSignalBlocker blockList(FLists[group]);
  FCheckBoxes[group]->setChecked(view.checked);
  FLists[group]->setEnabled(view.listEnabled);
  FLists[group]->setCurrentIndex(view.itemIndex);
}

}  // namespace karvelm
