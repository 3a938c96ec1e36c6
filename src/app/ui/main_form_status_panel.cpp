// The right-hand status panel Panel3: module state, configuration buttons, link choice.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/ui/main_form.h"
#include "base/ui/guarded_connect.h"

namespace karvelm {

namespace {

constexpr int kPanelWidth = 236;

// The wrapped text beside a check box; a click on it clicks the box, as on the box's own text.
class TCheckBoxLabel final : public QLabel {
 public:
  TCheckBoxLabel(const QString& text, QCheckBox* box) : QLabel(text), FBox(box) {
    setWordWrap(true);
    setBuddy(box);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      FBox->click();
    QLabel::mouseReleaseEvent(event);
  }

 private:
  QCheckBox* FBox;
};

QLabel* StaticText(const char* name, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setObjectName(name);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMinimumWidth(90);
  return label;
}

QPushButton* PanelButton(const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption));
  button->setObjectName(name);
  button->setEnabled(false);
  return button;
}

}  // namespace

// Only the user puts the focus into RadioGroup1 (click, Tab); focus passed on from a control
// that was just disabled or hidden goes to the panel itself, where keys change nothing.
void TMainForm::KeepFocusOffTheLinkChoice(QWidget* old, QWidget* now) {
  if (!now || !old || !RadioGroup1->isAncestorOf(now)) return;
  // A dialog that closes gives the focus back to where the user had put it.
  if (old->window() != this || (old->isEnabled() && old->isVisible())) return;
  Panel3->setFocus(Qt::OtherFocusReason);
}

QWidget* TMainForm::BuildStatusPanel() {
  auto* panel = new QFrame;
  Panel3 = panel;
  panel->setObjectName("Panel3");
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFixedWidth(kPanelWidth);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(4);

  auto* heading = new QLabel(QString::fromUtf8("Модуль KarvelM"));
  heading->setObjectName("Label3");
  heading->setAlignment(Qt::AlignCenter);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  column->addWidget(heading);

  auto* state = new QFormLayout;
  state->setContentsMargins(0, 0, 0, 0);
  StaticText11 = StaticText("StaticText11", kStatusNotConnected);
  StaticText10 = StaticText("StaticText10", kVersionUnknown);
  StaticText2 = StaticText("StaticText2", kVersionUnknown);
  state->addRow(QString::fromUtf8("Статус"), StaticText11);
  state->addRow(QString::fromUtf8("Версия прошивки"), StaticText10);
  state->addRow(QString::fromUtf8("Версия загрузчика"), StaticText2);
  column->addLayout(state);

  Button4 = PanelButton("Button4", "Считать конфигурацию 1 из Модуля");
  Button7 = PanelButton("Button7", "Считать конфигурацию 2 из Модуля");
  Button5 = PanelButton("Button5", "Записать в конфигурацию 1 на Модуль");
  Button8 = PanelButton("Button8", "Записать в конфигурацию 2 на Модуль");
  Button6 = PanelButton("Button6", "Перезапустить Модуль");
  for (QPushButton* button : {Button4, Button7, Button5, Button8, Button6}) {
    // The captions are long for the panel: a smaller face and little padding keep them whole.
    QFont small = button->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    button->setFont(small);
    button->setStyleSheet("QPushButton { padding: 2px 1px; }");
    button->setMinimumHeight(28);
    column->addWidget(button);
  }
  ConnectGuarded(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
  ConnectGuarded(Button7, &QPushButton::clicked, this, &TMainForm::Button7Click);
  ConnectGuarded(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
  ConnectGuarded(Button8, &QPushButton::clicked, this, &TMainForm::Button8Click);
  ConnectGuarded(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);

  ProgressBar2 = new QProgressBar;
  ProgressBar2->setObjectName("ProgressBar2");
  ProgressBar2->setRange(0, 100);
  ProgressBar2->setVisible(false);
  column->addWidget(ProgressBar2);

  RadioGroup1 = new QGroupBox(QString::fromUtf8("Тип интерфейса"));
  RadioGroup1->setObjectName("RadioGroup1");
  auto* radios = new QVBoxLayout(RadioGroup1);
  RadioButtons = new QButtonGroup(RadioGroup1);
  const char* items[] = {"USB KarvelM v1.x.x", "USB KarvelM v2.x.x", "Ethernet"};
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(QString::fromUtf8(items[i]));
    radio->setObjectName(QString("RadioGroup1Item%1").arg(i));
    RadioButtons->addButton(radio, i);
    radios->addWidget(radio);
  }
  ConnectGuarded(RadioButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) RadioGroup1Click();
  });
  column->addWidget(RadioGroup1);
  // Qt hands the focus of a control that is disabled or hidden to the next one in the chain,
  // which after the panel's buttons is the link choice, where an arrow key reopens the link.
  FFocusWatch =
      connect(qApp, &QApplication::focusChanged, this, &TMainForm::KeepFocusOffTheLinkChoice);

  auto* ipBox = new QGroupBox("IP");
  ipBox->setObjectName("GroupBox6");
  auto* ipRow = new QHBoxLayout(ipBox);
  ipRow->setContentsMargins(4, 2, 4, 2);
  JvIPAddress1 = new QLineEdit;
  JvIPAddress1->setObjectName("JvIPAddress1");
  // Four octets; the OK button accepts only a complete, valid address.
  static const QRegularExpression octets(
      "^((25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9]?[0-9])(\\.(?!$)|$)){0,4}$");
  JvIPAddress1->setValidator(new QRegularExpressionValidator(octets, JvIPAddress1));
  ipRow->addWidget(JvIPAddress1, 1);
  auto* ok = new QToolButton;
  ok->setObjectName("JvSpeedButton1");
  ok->setText("OK");
  auto* cancel = new QToolButton;
  cancel->setObjectName("JvSpeedButton2");
  cancel->setText(QString::fromUtf8("Отм"));
  ipRow->addWidget(ok);
  ipRow->addWidget(cancel);
  ConnectGuarded(ok, &QToolButton::clicked, this, &TMainForm::JvSpeedButton1Click);
  connect(cancel, &QToolButton::clicked, this, &TMainForm::JvSpeedButton2Click);
  column->addWidget(ipBox);

  auto* showRow = new QHBoxLayout;
  CheckBox6 = new QCheckBox;
  CheckBox6->setObjectName("CheckBox6");
  const QString showText =
      QString::fromUtf8("Отображать окно выбора интерфейса при запуске программы");
  CheckBox6->setAccessibleName(showText);
  auto* showLabel = new TCheckBoxLabel(showText, CheckBox6);
  showLabel->setObjectName("CheckBox6Label");
  showRow->addWidget(CheckBox6, 0, Qt::AlignTop);
  showRow->addWidget(showLabel, 1);
  connect(CheckBox6, &QCheckBox::clicked, this, &TMainForm::CheckBox6Click);
  column->addLayout(showRow);
  column->addStretch(1);
  return panel;
}

}  // namespace karvelm
