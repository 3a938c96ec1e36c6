// Renders the main window on every page and every dialog to PNG files, on the simulator,
// so that the look can be checked by eye: KarvelMcfg-screenshots OUTPUT-FOLDER.
// The pages are shown as a user sees them: in the normal mode, switched by a click on their tab
// and after a tick of the supervision loop, so that the commands are locked where they are
// locked. The service mode's extras are in shots of their own ("service_*"). Under a real X
// server with a window manager the shots take the window frame and its caption too.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>

#include "app/app_texts.h"
#include "app/sim_links.h"
#include "app/ui/about_form.h"
#include "app/ui/karvelm_application.h"
#include "app/ui/main_form.h"
#include "app/ui/qt_dialogs.h"
#include "app/ui/select_intf_form.h"
#include "config/koi7.h"
#include "config/ui/config_diff_dialog.h"
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

bool WithFrames() {
  return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Lets the window manager map and decorate a window and the widgets paint.
void Settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

class TShots {
 public:
  explicit TShots(const QDir& folder) : FFolder(folder) {}

  bool Save(QWidget& widget, const QString& name) {
    if (!widget.isVisible()) {
      widget.show();
      Settle(WithFrames() ? 400 : 0);
    }
    // Until the window manager has put its frame round the window.
    for (int i = 0; WithFrames() && widget.isWindow() && i < 20; ++i) {
      if (widget.frameGeometry() != widget.geometry()) break;
      Settle(100);
    }
    if (WithFrames()) {
      widget.raise();
      widget.activateWindow();
      Settle(200);
    }
    QCoreApplication::processEvents();
    const QString path = FFolder.filePath(name + ".png");
    QPixmap picture;
    if (WithFrames() && widget.isWindow()) {
      // The screen's pixels: the frame and the caption as the window manager draws them.
      // Dialogs do not always learn their frame from the window manager; it draws the same
      // frame round all of them as round the main window.
      QRect frame = widget.frameGeometry();
      if (frame == widget.geometry()) {
        frame = widget.geometry().marginsAdded(FFrame);
      } else {
        FFrame = QMargins(
            widget.geometry().left() - frame.left(), widget.geometry().top() - frame.top(),
            frame.right() - widget.geometry().right(), frame.bottom() - widget.geometry().bottom());
      }
      picture = widget.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    } else {
      picture = widget.grab();
    }
    const bool ok = picture.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return Record(ok);
  }
  bool Record(bool ok) {
    FOk &= ok;
    return ok;
  }
  bool Ok() const { return FOk; }
  const QDir& Folder() const { return FFolder; }

 private:
  QDir FFolder;
  QMargins FFrame;
  bool FOk = true;
};

// A main window on the lively simulated module, the firmware found.
class TShotWindow {
 public:
  TShotWindow(const std::string& settings, bool service) {
    TMainFormOptions options;
    options.commandLine = ParseCommandLine(service ? std::vector<std::string>{"-s", "--simulator"}
                                                   : std::vector<std::string>{"--simulator"});
    options.settingsPath = settings;
    options.dialogs = &FDialogs;
    options.linkFactory = FSimulator.Factory();
    options.startTimer = false;
    FSimulator.MakeLively();
    Form = std::make_unique<TMainForm>(std::move(options));
    Form->show();
    Form->FormShow();
    Form->Timer1Timer();
    Form->Timer1Timer();  // the firmware answers on the second tick
  }
  ~TShotWindow() { Form->close(); }

  // As the user does it: a click on the tab, then the tick that reads the page and applies the
  // lock-out of the module commands.
  void ClickTab(const char* control, int position) {
    auto* pages = Form->findChild<QTabWidget*>(control);
    QTabBar* bar = pages->tabBar();
    if (position < 0 || position >= bar->count()) return;
    bar->setCurrentIndex(position);
    Form->Timer1Timer();
    Form->Timer1Timer();
  }
  int Count(const char* control) { return Form->findChild<QTabWidget*>(control)->count(); }

  TSimulatorLinks FSimulator;
  TSilentDialogs FDialogs;
  std::unique_ptr<TMainForm> Form;
};

// The DAC sub-page after two corrections, with channel 2 under the sawtooth.
bool SaveDacPage(TMainForm& form, QTabWidget& pages, QTabWidget& diagnostics, TShots& shots) {
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
  const bool ok = shots.Save(form, "diag_dac_sawtooth");
  sawtooth->click();
  return ok;
}

// The position-sensor sub-page after a count test of both wirings.
bool SaveSensorPage(TMainForm& form, QTabWidget& pages, QTabWidget& diagnostics, TShots& shots) {
  pages.setCurrentIndex(mpDiagnostics);
  diagnostics.setCurrentIndex(dpSensors);
  form.Timer1Timer();
  form.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
  form.findChild<QCheckBox*>("CheckBox4")->setChecked(true);
  form.findChild<QPushButton*>("Button17")->click();
  form.Timer1Timer();
  return shots.Save(form, "diag_sensors_count_test");
}

void TypeKeys(QWidget& memo, std::initializer_list<Qt::Key> keys) {
  for (Qt::Key key : keys) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&memo, &press);
  }
}

// The terminal page with the monitor's banner and a line typed into Memo1, then in 8-line mode
// with more lines typed than it shows (the monitor scrolls within the eight).
bool SaveTerminalShots(TMainForm& form, TSimulatorLinks& simulator, TShots& shots) {
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  pages->setCurrentWidget(form.findChild<QWidget*>("TabSheet3"));
  auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
  TypeKeys(*memo, {Qt::Key_H, Qt::Key_E, Qt::Key_L, Qt::Key_P, Qt::Key_Return, Qt::Key_T, Qt::Key_E,
                   Qt::Key_S, Qt::Key_T, Qt::Key_1});
  form.Timer1Timer();
  form.Timer1Timer();
  bool ok = shots.Save(form, "terminal");
  simulator.Sim().Console().SetEightLines(true);
  for (Qt::Key digit : {Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_7})
    TypeKeys(*memo, {Qt::Key_Return, Qt::Key_L, Qt::Key_I, Qt::Key_N, Qt::Key_E, digit});
  form.Timer1Timer();
  ok &= shots.Save(form, "terminal_8_lines");
  simulator.Sim().Console().SetEightLines(false);
  return ok;
}

// The diagnostics pages with live data: the peripheral bus sub-page after a few polls; the
// input/output sub-page after a loop-back run of both words, the high one against an input
// that no harness line feeds; the debug page. The test's waits run on a clock of their own.
bool SaveDiagnostics(TMainForm& form, TShots& shots) {
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  auto* diagnostics = form.findChild<QTabWidget*>("PageControl2");
  bool ok = true;
  pages->setCurrentIndex(mpDiagnostics);
  diagnostics->setCurrentIndex(dpPeripheralBus);
  for (int i = 0; i < 3; ++i) form.Timer1Timer();
  ok &= shots.Save(form, "diag_peripheral_bus");

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
  ok &= shots.Save(form, "diag_in_out_loopback");

  return ok;
}

// The user's switch to the main page on the sheet of that name (its refresh runs).
void ShowSheet(TMainForm& form, const char* sheet) {
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  pages->setCurrentWidget(pages->findChild<QWidget*>(sheet));
}

// The update page with every external-module row filled, one of them in its bootloader.
bool SaveUpdatePageRows(TMainForm& form, TModuleSim& sim, TShots& shots) {
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
  return shots.Save(form, "update_page_rows");
}

// ProgressBar1 as a module update shows it, part way through.
bool SaveUpdateProgress(TMainForm& form, TShots& shots) {
  auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
  bar->setValue(42);
  bar->show();
  const bool ok = shots.Save(form, "update_page_progress");
  bar->hide();
  return ok;
}

// The version gate's warning over the update page it has just shown.
bool SaveVersionGateWarning(TMainForm& form, TShots& shots) {
  const QDir& folder = shots.Folder();
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
  return shots.Record(ok);
}

// Each page with live data and its tests run, in the normal mode.
void PageShots(TShots& shots, const std::string& settings) {
  TShotWindow window(settings, false);
  TMainForm& form = *window.Form;
  auto* pages = form.findChild<QTabWidget*>("PageControl1");
  auto* diagnostics = form.findChild<QTabWidget*>("PageControl2");
  SaveDiagnostics(form, shots);
  SaveDacPage(form, *pages, *diagnostics, shots);
  SaveSensorPage(form, *pages, *diagnostics, shots);
  SaveTerminalShots(form, window.FSimulator, shots);
  SaveUpdatePageRows(form, window.FSimulator.Sim(), shots);
  SaveUpdateProgress(form, shots);
  SaveVersionGateWarning(form, shots);
}

void NormalModePages(TShots& shots, const std::string& settings) {
  TShotWindow window(settings, false);
  for (int i = 0; i < window.Count("PageControl1"); ++i) {
    window.ClickTab("PageControl1", i);
    if (i == mpDiagnostics) {
      for (int k = 0; k < window.Count("PageControl2"); ++k) {
        window.ClickTab("PageControl2", k);
        shots.Save(*window.Form, QString("main_page%1_%2").arg(i).arg(k));
      }
      window.ClickTab("PageControl2", 0);
    } else {
      shots.Save(*window.Form, QString("main_page%1").arg(i));
    }
  }
}

// The tool-bar button, the update page's file check box and the debug page.
void ServiceModeExtras(TShots& shots, const std::string& settings) {
  TShotWindow window(settings, true);
  shots.Save(*window.Form, "service_main_page0");
  window.ClickTab("PageControl1", mpUpdate);
  shots.Save(*window.Form, "service_update");
  window.ClickTab("PageControl1", mpDebug);
  shots.Save(*window.Form, "service_debug");
}

void Dialogs(TShots& shots, const std::string& settings) {
  TShotWindow window(settings, false);
  TAboutForm about(window.Form.get());
  about.Label1Text(BaseTitle());
  shots.Save(about, "about");
  about.hide();
  TSelectIntfForm select;
  shots.Save(select, "select_interface");
  select.hide();
  shots.Save(window.Form->ConfigPages().ExtInputsForm(), "ext_inputs");
  window.Form->ConfigPages().ExtInputsForm().hide();
  {
    // The open configuration against a file that differs in a field, the name and a page.
    auto file = std::make_unique<TConfigImage>(window.Form->Image());
    SetSettingsWord(*file, PunchMode, 1);
    SetSetPointWord(*file, 3, 0777);
    SetConfigName(*file, Utf8ToCp1251("ТОКАРНЫЙ 16К20"));
    for (int i = 0; i < 40; ++i) file->Page(2)[64 + i] ^= 0xFF;
    TConfigDiffDialog diff(window.Form.get());
    diff.ShowDiff(DiffConfigImages(window.Form->Image(), *file), "machine.bin");
    shots.Save(diff, "config_diff");
  }

  const struct {
    const char* name;
    const char* text;
    const char* caption;
    QMessageBox::StandardButtons buttons;
  } boxes[] = {
      {"message_outdated_firmware", kOutdatedFirmwareText, kOutdatedFirmwareCaption,
       QMessageBox::Ok},
      {"message_restart", kRestartQuestion, kRestartCaption, QMessageBox::Ok | QMessageBox::Cancel},
  };
  for (const auto& b : boxes) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(b.caption), QString::fromUtf8(b.text),
                    b.buttons, window.Form.get());
    FitCaption(box);
    shots.Save(box, b.name);
  }
  // Qt's own dialog, in Russian.
  QFileDialog files(window.Form.get(), QString::fromUtf8("Открыть"));
  files.setOption(QFileDialog::DontUseNativeDialog);
  files.setNameFilters(FileDialogFilters("Бинарный файл|*.bin|Все файлы|*.*"));
  files.resize(640, 420);
  shots.Save(files, "file_dialog_open");
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
  std::printf("platform %s\n", QGuiApplication::platformName().toLocal8Bit().constData());
  QTemporaryDir settingsFolder;
  const std::string settings = settingsFolder.filePath("KarvelMcfg.ini").toStdString();
  std::ofstream(settings) << "[Settings]\ninterface=2\ndisable_select_dialog=1\n";

  TShots shots(folder);
  NormalModePages(shots, settings);
  ServiceModeExtras(shots, settings);
  PageShots(shots, settings);
  Dialogs(shots, settings);
  return shots.Ok() ? 0 : 1;
}
