#include "diag/ui/dac_sheet.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/octal_text.h"
#include "base/ui/guarded_connect.h"
#include "base/ui/painting_waits.h"
#include "diag/ui/timer_switch.h"

namespace karvelm {

namespace {

constexpr int kRowHeight = 24;

QLabel* ValueLabel(const char* name) {
  auto* label = new QLabel("0");
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setFixedSize(58, kRowHeight - 2);
  return label;
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The button's own enabled state comes back at the end of a step, also when it throws.
class TReenable {
 public:
  explicit TReenable(QWidget& widget) : FWidget(widget) { FWidget.setEnabled(false); }
  ~TReenable() { FWidget.setEnabled(true); }
  TReenable(const TReenable&) = delete;
  TReenable& operator=(const TReenable&) = delete;

 private:
  QWidget& FWidget;
};

}  // namespace

TDacSheet::TDacSheet(QWidget& sheet, QTimer& dacTimer, TPageRegistry& registry,
                     TShellServices& services)
    : QObject(&sheet), FRegistry(registry), FServices(services), DACTimer(dacTimer) {
  auto* row = new QHBoxLayout(&sheet);
  auto* channels = new QGridLayout;
  channels->setHorizontalSpacing(6);
  channels->setVerticalSpacing(4);
  GroupBox3 = new QGroupBox(QString::fromUtf8(kCalibrationGroupCaption));
  GroupBox3->setObjectName("GroupBox3");
  auto* calibration = new QGridLayout(GroupBox3);
  calibration->setHorizontalSpacing(4);
  calibration->setVerticalSpacing(4);

  for (int n = 0; n < kDacRegisterWords; ++n) {
    const TDacRow& names = kDacRows[static_cast<size_t>(n)];
    auto* caption = new QLabel(Text(DacChannelCaption(n)));
    caption->setObjectName(QString("DacChannel%1").arg(n + 1));
    auto* address = new QLabel(Text(WordToOctal(static_cast<uint16_t>(kDacBase + 2 * n))));
    address->setObjectName(QString("DacAddress%1").arg(n + 1));
    FValueLabels[n] = ValueLabel(names.valueLabel);
    FEdits[n] = new QLineEdit(QString::fromUtf8(kDacEntryInitialText));
    FEdits[n]->setObjectName(names.edit);
    FEdits[n]->setAlignment(Qt::AlignRight);
    FEdits[n]->setFixedSize(58, kRowHeight - 2);
    FWriteButtons[n] = new QToolButton;
    FWriteButtons[n]->setObjectName(names.writeButton);
    FWriteButtons[n]->setIcon(sheet.style()->standardIcon(QStyle::SP_ArrowRight));
    FWriteButtons[n]->setAutoRaise(true);
    FWriteButtons[n]->setFixedSize(kRowHeight, kRowHeight);
    FTestButtons[n] = new QPushButton(QString::fromUtf8(kSawtoothCaption));
    FTestButtons[n]->setObjectName(names.sawtoothButton);
    FTestButtons[n]->setFixedWidth(78);
    for (QWidget* w : std::initializer_list<QWidget*>{caption, address, FValueLabels[n], FEdits[n],
                                                      FWriteButtons[n], FTestButtons[n]})
      w->setProperty("tag", n);
    channels->addWidget(caption, n, 0);
    channels->addWidget(address, n, 1);
    channels->addWidget(FValueLabels[n], n, 2);
    channels->addWidget(FEdits[n], n, 3);
    channels->addWidget(FWriteButtons[n], n, 4);
    channels->addWidget(FTestButtons[n], n, 5);
    channels->setRowMinimumHeight(n, kRowHeight);

    cal_controls[n] = ValueLabel(names.correctionLabel);
    cal_controls[n]->setFixedWidth(48);
    cal_controls[n]->setText(QString::fromUtf8(kCorrectionInitialText));
    cal_controls[n]->setProperty("tag", n);
    calibration->addWidget(cal_controls[n], n, 0);
    const char* const steps[] = {kStepUpCaption, kStepDownCaption, kStepZeroCaption};
    const char* const stepNames[] = {"DacCorrectionUp", "DacCorrectionDown", "DacCorrectionZero"};
    for (int s = 0; s < 3; ++s) {
      auto* button = new QPushButton(QString::fromUtf8(steps[s]));
      button->setObjectName(QString("%1%2").arg(stepNames[s]).arg(n + 1));
      button->setProperty("tag", n);
      button->setFixedSize(s == 2 ? 34 : 26, kRowHeight - 2);
      calibration->addWidget(button, n, s + 1);
      ConnectGuarded(button, &QPushButton::clicked, this, [this, button] { DACcorClick(*button); });
    }
    calibration->setRowMinimumHeight(n, kRowHeight);

    ConnectGuarded(FEdits[n], &QLineEdit::textChanged, this, [this, n] { DACChange(n); });
    // Edit22KeyDown..Edit29KeyDown: Enter clicks the row's write button.
    ConnectGuarded(FEdits[n], &QLineEdit::returnPressed, this,
                   [this, n] { FWriteButtons[n]->click(); });
    ConnectGuarded(FWriteButtons[n], &QToolButton::clicked, this, [this, n] { DACClick(n); });
    ConnectGuarded(FTestButtons[n], &QPushButton::clicked, this, [this, n] { DACTestClick(n); });
  }
  auto* store = new QPushButton(QString::fromUtf8(kStoreCaption));
  store->setObjectName("Button16");
  calibration->addWidget(store, kDacRegisterWords, 0, 1, 4);
  ConnectGuarded(store, &QPushButton::clicked, this, &TDacSheet::Button16Click);

  // The channel rows level with their calibration rows below the group's title.
  channels->setContentsMargins(0, GroupBox3->fontMetrics().height() + 4, 0, 0);
  auto* left = new QVBoxLayout;
  left->addLayout(channels);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(GroupBox3);
  right->addStretch(1);
  row->addLayout(left);
  row->addSpacing(8);
  row->addLayout(right);
  row->addStretch(1);

  FNormal = FEdits[0]->palette();
  FError = FNormal;
  FError.setColor(QPalette::Text, Qt::red);

  ConnectGuarded(&DACTimer, &QTimer::timeout, this, &TDacSheet::DACTimerTimer);
  registry.AddDataPage(pgDac, *this);
}

void TDacSheet::Show() {
  FPage.Show();
  for (int n = 0; n < kDacRegisterWords; ++n) FValueLabels[n]->setText(Text(FPage.RegisterText(n)));
  ShowCorrections();
}

void TDacSheet::ShowCorrections() {
  for (int n = 0; n < kDacRegisterWords; ++n)
    cal_controls[n]->setText(Text(FPage.CorrectionText(n)));
}

void TDacSheet::Relist() {
  {
    TBusyCursor cursor(FServices);
    FPage.Enter(FRegistry.FirmwareConnected());
  }
  ShowCorrections();
}

void TDacSheet::DACChange(int tag) {
  QLineEdit* edit = FEdits[tag];
  edit->setPalette(FPage.DACChange(tag, edit->text().toStdString()) ? FNormal : FError);
}

void TDacSheet::DACClick(int tag) {
  TBusyCursor cursor(FServices);
  FPage.DACClick(tag, FRegistry.FirmwareConnected());
}

void TDacSheet::DACTestClick(int tag) {
  if (!FRegistry.FirmwareConnected()) return;
  if (!DACTimer.isActive()) {
    DACTimer.setProperty("tag", tag);
    bool started = false;
    {
      TBusyCursor cursor(FServices);
      started = FSawtooth.Start(tag, true);
    }
    if (!started) return;
    FTestButtons[tag]->setText(QString::fromUtf8(kSawtoothStopCaption));
    DACTimer.start();
    for (QPushButton* button : FTestButtons) button->setEnabled(false);
    GroupBox3->setEnabled(false);
    FTestButtons[tag]->setEnabled(true);
    FServices.SetTimerEnabled(false);
  } else {
    // Only the running test's button is enabled, so this is it.
    FTestButtons[FSawtooth.Channel()]->setText(QString::fromUtf8(kSawtoothCaption));
    DACTimer.stop();
    FSawtooth.Stop();
    for (QPushButton* button : FTestButtons) button->setEnabled(true);
    GroupBox3->setEnabled(true);
    FServices.SetTimerEnabled(true);
  }
}

void TDacSheet::DACTimerTimer() {
  // A failed write does not stop the test.
  FSawtooth.Tick();
}

void TDacSheet::DACcorClick(QPushButton& button) {
  if (!FRegistry.FirmwareConnected()) return;
  TReenable reenable(button);
  TPaintingWaits waits;
  TBusyCursor cursor(FServices);
  TTimer1Switch timer1(FServices);
  FPage.CorrectionStep(button.property("tag").toInt(),
                       DacStepOfCaption(button.text().toStdString()), true, timer1.Switch());
}

void TDacSheet::Button16Click() {
  if (!FRegistry.FirmwareConnected()) return;
  TPaintingWaits waits;
  TBusyCursor cursor(FServices);
  TTimer1Switch timer1(FServices);
  FPage.Store(true, timer1.Switch());
}

}  // namespace karvelm
