// Renders the main window on every page and every dialog to PNG files, on the simulator,
// so that the look can be checked by eye: KarvelMcfg-screenshots OUTPUT-FOLDER.
// The pages are shown as a user sees them: in the normal mode, switched by a click on their tab
// and after a tick of the supervision loop, so that the commands are locked where they are
// locked. The service mode's extras are in shots of their own ("service_*"). Under a real X
// server with a window manager the shots take the window frame and its caption too.
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>

#include "app/app_texts.h"
#include "app/sim_links.h"
#include "app/ui/about_form.h"
#include "app/ui/karvelm_application.h"
#include "app/ui/main_form.h"
#include "app/ui/qt_dialogs.h"
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

  void Save(QWidget& widget, const QString& name) {
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
    FOk &= ok;
  }
  bool Ok() const { return FOk; }

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
  Dialogs(shots, settings);
  return shots.Ok() ? 0 : 1;
}
