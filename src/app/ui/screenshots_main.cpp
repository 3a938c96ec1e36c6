// Renders the main window on every page and every dialog to PNG files, on the simulator,
// so that the look can be checked by eye: KarvelMcfg-screenshots OUTPUT-FOLDER.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "app/app_texts.h"
#include "app/sim_links.h"
#include "app/ui/about_form.h"
#include "app/ui/karvelm_application.h"
#include "app/ui/main_form.h"
#include "app/ui/select_intf_form.h"
#include "config/ui/config_pages.h"
#include "config/ui/ext_inputs_dialog.h"

namespace {

using namespace karvelm;

// Answers everything at once and shows nothing: the pictures are taken separately.
class TSilentDialogs final : public TUserDialogs {
 public:
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  void Inform(const std::string&, const std::string&) override {}
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest&) override { return {}; }
};

bool Save(QWidget& widget, const QDir& folder, const QString& name) {
  widget.show();
  QCoreApplication::processEvents();
  const QString path = folder.filePath(name + ".png");
  const bool ok = widget.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
  return ok;
}

// The DAC sub-page after two corrections, with channel 2 under the sawtooth.
bool SaveDacPage(TMainForm& form, QTabWidget& pages, QTabWidget& diagnostics, const QDir& folder) {
  pages.setCurrentIndex(mpDiagnostics);
  diagnostics.setCurrentIndex(dpDac);
  form.Timer1Timer();
  for (const char* step : {"DacCorrectionUp1", "DacCorrectionUp1", "DacCorrectionDown3"})
    form.findChild<QPushButton*>(step)->click();
  form.Timer1Timer();
  auto* sawtooth = form.findChild<QPushButton*>("Button9");
  sawtooth->click();
  QElapsedTimer running;
  running.start();
  while (running.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  const bool ok = Save(form, folder, "diag_dac_sawtooth");
  sawtooth->click();
  return ok;
}

// The position-sensor sub-page after a count test of both wirings.
bool SaveSensorPage(TMainForm& form, QTabWidget& pages, QTabWidget& diagnostics,
                    const QDir& folder) {
  pages.setCurrentIndex(mpDiagnostics);
  diagnostics.setCurrentIndex(dpSensors);
  form.Timer1Timer();
  form.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
  form.findChild<QCheckBox*>("CheckBox4")->setChecked(true);
  form.findChild<QPushButton*>("Button17")->click();
  form.Timer1Timer();
  return Save(form, folder, "diag_sensors_count_test");
}

void TypeKeys(QWidget& memo, std::initializer_list<Qt::Key> keys) {
  for (Qt::Key key : keys) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&memo, &press);
  }
}

// The terminal page with the monitor's banner and a line typed into Memo1, then in 8-line mode
// with more lines typed than it shows (the monitor scrolls within the eight).
bool SaveTerminalShots(TMainForm& form, TSimulatorLinks& simulator, const QDir& folder) {
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  pages->setCurrentWidget(form.findChild<QWidget*>("TabSheet3"));
  auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
  TypeKeys(*memo, {Qt::Key_H, Qt::Key_E, Qt::Key_L, Qt::Key_P, Qt::Key_Return, Qt::Key_T, Qt::Key_E,
                   Qt::Key_S, Qt::Key_T, Qt::Key_1});
  form.Timer1Timer();
  form.Timer1Timer();
  bool ok = Save(form, folder, "terminal");
  simulator.Sim().Console().SetEightLines(true);
  for (Qt::Key digit : {Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_7})
    TypeKeys(*memo, {Qt::Key_Return, Qt::Key_L, Qt::Key_I, Qt::Key_N, Qt::Key_E, digit});
  form.Timer1Timer();
  ok &= Save(form, folder, "terminal_8_lines");
  simulator.Sim().Console().SetEightLines(false);
  return ok;
}

// The diagnostics pages with live data: the peripheral bus sub-page after a few polls; the
// input/output sub-page after a loop-back run of both words, the high one against an input
// that no harness line feeds; the debug page. The test's waits run on a clock of their own.
bool SaveDiagnostics(TMainForm& form, const QDir& folder) {
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  auto* diagnostics = form.findChild<QTabWidget*>("PageControl2");
  bool ok = true;
  pages->setCurrentIndex(mpDiagnostics);
  diagnostics->setCurrentIndex(dpPeripheralBus);
  for (int i = 0; i < 3; ++i) form.Timer1Timer();
  ok &= Save(form, folder, "diag_peripheral_bus");

  diagnostics->setCurrentIndex(dpInOut);
  form.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
  form.findChild<QCheckBox*>("CheckBox2")->setChecked(true);
  form.findChild<QComboBox*>("ComboBox11")->setCurrentIndex(2);  // 167606: no line fed back
  {
    TFakeClock instant;
    SetClock(&instant);
    form.findChild<QPushButton*>("Button1")->click();
    SetClock(nullptr);
  }
  form.findChild<QLineEdit*>("Edit18")->setText("17");
  form.findChild<QLineEdit*>("Edit19")->setText("8");
  form.Timer1Timer();
  ok &= Save(form, folder, "diag_in_out_loopback");

  pages->setCurrentIndex(mpDebug);
  form.Timer1Timer();
  ok &= Save(form, folder, "diag_debug");
  return ok;
}

// The user's switch to the main page on the sheet of that name (its refresh runs).
void ShowSheet(TMainForm& form, const char* sheet) {
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  pages->setCurrentWidget(pages->findChild<QWidget*>(sheet));
}

// The update page with every external-module row filled, one of them in its bootloader.
bool SaveUpdatePageRows(TMainForm& form, TModuleSim& sim, const QDir& folder) {
  uint32_t address = 0x30;
  for (uint32_t type : {0u, 6u, 1u, 2u}) {
    for (uint32_t index = 0; index < (type == 0 || type == 6 ? 4u : 2u); ++index) {
      ExtModuleInfo& info = sim.ExtModules()[{type, index}];
      const uint32_t version = address == 0x32 ? 0x010115B0 : 0x01011500;
      if (info.NetAddress == 0) info = {address++, {}, version, 0};
    }
  }
  ShowSheet(form, "TabSheet1");
  ShowSheet(form, "TabSheet10");
  return Save(form, folder, "update_page_rows");
}

// ProgressBar1 as a module update shows it, part way through.
bool SaveUpdateProgress(TMainForm& form, const QDir& folder) {
  auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
  bar->setValue(42);
  bar->show();
  const bool ok = Save(form, folder, "update_page_progress");
  bar->hide();
  return ok;
}

// The version gate's warning over the update page it has just shown.
bool SaveVersionGateWarning(TMainForm& form, const QDir& folder) {
  QPixmap window = form.grab();
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kOutdatedFirmwareCaption),
                  QString::fromUtf8(kOutdatedFirmwareText), QMessageBox::Ok);
  box.show();
  QCoreApplication::processEvents();
  const QPixmap message = box.grab();
  box.hide();
  // The box framed with its caption, as a window manager would show it.
  QPainter painter(&window);
  const int title = 22;
  const QRect frame((window.width() - message.width()) / 2,
                    (window.height() - message.height() - title) / 2, message.width(),
                    message.height() + title);
  painter.fillRect(frame.adjusted(0, 0, 0, title - frame.height()), QColor(70, 90, 120));
  painter.setPen(Qt::white);
  painter.drawText(frame.adjusted(8, 0, 0, title - frame.height()), Qt::AlignVCenter,
                   QString::fromUtf8(kOutdatedFirmwareCaption));
  painter.drawPixmap(frame.left(), frame.top() + title, message);
  painter.setPen(QColor(40, 40, 40));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  painter.end();
  const QString path = folder.filePath("update_version_gate.png");
  const bool ok = window.save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  TKarvelmApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: KarvelMcfg-screenshots OUTPUT-FOLDER\n");
    return 2;
  }
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(".")) return 1;
  QTemporaryDir settingsFolder;
  const std::string settings = settingsFolder.filePath("KarvelMcfg.ini").toStdString();
  std::ofstream(settings) << "[Settings]\ninterface=2\ndisable_select_dialog=1\n";

  TSimulatorLinks simulator;
  simulator.MakeLively();
  TSilentDialogs dialogs;
  TMainFormOptions options;
  options.commandLine = ParseCommandLine({"-s", "--simulator"});
  options.settingsPath = settings;
  options.dialogs = &dialogs;
  options.linkFactory = simulator.Factory();
  options.startTimer = false;
  bool ok = true;
  {
    TMainForm form(std::move(options));
    TAboutForm about(&form);
    TSelectIntfForm select;
    form.SetAboutForm(&about);
    form.show();
    form.FormShow();
    form.Timer1Timer();
    form.Timer1Timer();  // the firmware answers on the second tick
    auto* pages = form.findChild<QTabWidget*>("PageControl1");
    auto* diagnostics = form.findChild<QTabWidget*>("PageControl2");
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      if (i == mpDiagnostics) {
        for (int k = 0; k < diagnostics->count(); ++k) {
          diagnostics->setCurrentIndex(k);
          ok &= Save(form, folder, QString("main_page%1_%2").arg(i).arg(k));
        }
      } else {
        ok &= Save(form, folder, QString("main_page%1").arg(i));
      }
    }
    ok &= SaveDacPage(form, *pages, *diagnostics, folder);
    ok &= SaveSensorPage(form, *pages, *diagnostics, folder);
    ok &= SaveTerminalShots(form, simulator, folder);
    ok &= SaveDiagnostics(form, folder);
    about.Label1Text(BaseTitle());
    ok &= Save(about, folder, "about");
    ok &= Save(select, folder, "select_interface");
    ok &= Save(form.ConfigPages().ExtInputsForm(), folder, "ext_inputs");
    form.ConfigPages().ExtInputsForm().hide();
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kOutdatedFirmwareCaption),
                    QString::fromUtf8(kOutdatedFirmwareText), QMessageBox::Ok);
    ok &= Save(box, folder, "message_outdated_firmware");
    ok &= SaveUpdatePageRows(form, simulator.Sim(), folder);
    ok &= SaveUpdateProgress(form, folder);
    ok &= SaveVersionGateWarning(form, folder);
    form.close();
  }
  return ok ? 0 : 1;
}
