// Creation, first showing and closing of the main window; the link choice and the timer.
#include "app/ui/main_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/ip_address.h"
#include "app/ui/page_control.h"
#include "app/ui/select_intf_form.h"
#include "app/ui/usb_watch.h"
#include "base/ui/guarded_connect.h"
#include "link/ext_intf.h"

namespace karvelm {

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 540;
constexpr int kServiceExtraHeight = 20;

}  // namespace

TMainForm::TMainForm(TMainFormOptions options)
    : FOptions(std::move(options)), FShell(*this), FImage(std::make_unique<TConfigImage>()) {
  setObjectName("MainForm");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  if (!FOptions.linkFactory) FOptions.linkFactory = MakeHardwareLink;

  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  BuildMenu();
  column->addWidget(BuildToolBar());
  auto* row = new QHBoxLayout;
  row->setContentsMargins(2, 2, 2, 2);
  row->addWidget(BuildPages(), 1);
  row->addWidget(BuildStatusPanel());
  column->addLayout(row, 1);
  setCentralWidget(client);

  // Timer1 runs from window creation on, also while the interface dialog is open.
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  // An exception ends the tick and is reported; the timer goes on.
  ConnectGuarded(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);

  FormCreate();
  if (FOptions.startTimer) Timer1->start();
}

TMainForm::~TMainForm() {
  disconnect(FFocusWatch);
  if (!FClosed) CloseLink();
}

// The page sets have prepared their pages (the terminal's lines, the diagnostics sub-page 0,
// the update page's service check box) when they were built.
void TMainForm::FormCreate() {
  FShell.Reset();
  ResetConfigImage(*FImage);
  SetCaption(BaseTitle());
  ShowPage(mpDeviceParameters);
  // The service functions stay hidden unless the switch is given.
  Button35->setVisible(false);
  int height = kClientHeight;
  if (ServiceMode()) {
    ApplyServiceMode();
    height += kServiceExtraHeight;
  } else {
    RemoveDebugPage();
  }
  centralWidget()->setFixedSize(kClientWidth, height);
  adjustSize();
  setFixedSize(size());
  if (QScreen* screen = QApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  FSettings = LoadSettings(FOptions.settingsPath);
  JvIPAddress1->setText(QString::fromStdString(FSettings.ip_string));
}

void TMainForm::ApplyServiceMode() {
  Button35->setVisible(true);
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (FShown) return;
  FShown = true;
  // After the window is on screen, as the dialog belongs above it.
  QTimer::singleShot(0, this, &TMainForm::FormShow);
}

void TMainForm::FormShow() {
  if (!FSettings.DisableIntfSelection && FOptions.selectIntfForm) {
    TSelectIntfForm& form = *FOptions.selectIntfForm;
    form.Prepare(FSettings.DisableIntfSelection);
    if (form.exec() == QDialog::Accepted) {
      FSettings.intf_type_num = form.SelectedIntf;
      FSettings.DisableIntfSelection = form.DisableSelection;
    }
  }
  SelectRadioIndex(FSettings.intf_type_num);
  CheckBox6->setChecked(!FSettings.DisableIntfSelection);
}

// The radio group keeps its index within -1..2; a change runs RadioGroup1Click.
void TMainForm::SelectRadioIndex(int index) {
  index = ClampIntfIndex(index);
  if (index == FRadioIndex) return;
  FRadioIndex = index;
  {
    QSignalBlocker block(RadioButtons);
    if (index < 0) {
      RadioButtons->setExclusive(false);
      for (auto* button : RadioButtons->buttons()) button->setChecked(false);
      RadioButtons->setExclusive(true);
    } else {
      RadioButtons->button(index)->setChecked(true);
    }
  }
  RadioGroup1Click();
}

void TMainForm::RadioGroup1Click() {
  FRadioIndex = RadioButtons->checkedId();
  FUsbWatch.reset();  // the notifier goes before the detector it watches
  CloseLink();
  FSettings.intf_type_num = FRadioIndex;
  if (FRadioIndex < 0) return;
  OpenSelectedLink();
}

void TMainForm::OpenSelectedLink() {
  try {
    OpenLinkOfKind(FRadioIndex, FSettings.ip_string, FOptions.linkFactory, FShell.DEV_ID);
  } catch (const std::exception& error) {
    // No link remains; the module shows as not connected and the program goes on.
    FOptions.dialogs->Inform(error.what(), BaseTitle());
    return;
  }
  WatchUsb();
}

void TMainForm::WatchUsb() {
  FUsbWatch.reset();
  if (!ActiveLink) return;
  if (TUSBDetector* detector = ActiveLink->Transport().Detector())
    FUsbWatch = std::make_unique<TUsbWatch>(*detector, this);
}

void TMainForm::JvSpeedButton1Click() {
  const std::string text = JvIPAddress1->text().trimmed().toStdString();
  if (!IsValidIpAddress(text)) {
    QApplication::beep();
    return;
  }
  FSettings.ip_string = text;
  RadioGroup1Click();  // also with no kind selected: the stored kind becomes "none"
}

void TMainForm::JvSpeedButton2Click() {
  JvIPAddress1->setText(QString::fromStdString(FSettings.ip_string));
}

void TMainForm::CheckBox6Click() {
  FSettings.DisableIntfSelection = !CheckBox6->isChecked();
}

void TMainForm::Timer1Timer() {
  FShell.Timer1Timer();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TMainForm::FormClose() {
  if (FClosed) return;
  FClosed = true;
  Timer1->stop();
  FUsbWatch.reset();
  CloseLink();
  std::string error;
  if (!SaveSettings(FOptions.settingsPath, FSettings, error)) {
    // The window still closes; the user learns that the settings are lost.
    FOptions.dialogs->Inform(
        "Не удалось сохранить настройки в файл \"" + FOptions.settingsPath + "\". " + error,
        BaseTitle());
  }
}

}  // namespace karvelm
