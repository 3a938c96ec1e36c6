// KarvelMcfg: the start and stop order of the desktop program.
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/settings.h"
#include "app/sim_links.h"
#include "app/ui/about_form.h"
#include "app/ui/karvelm_application.h"
#include "app/ui/main_form.h"
#include "app/ui/qt_dialogs.h"
#include "app/ui/select_intf_form.h"
#include "app/ui/startup_probe.h"
#include "app/ui/status_probe.h"
#include "app/ui/trace_notice.h"
#include "link/hid_backend.h"

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  using namespace karvelm;
  // --help and --version answer before the application object exists: no display needed.
  if (const std::string text = InformationText(std::vector<std::string>(argv + 1, argv + argc));
      !text.empty()) {
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  TKarvelmApplication app(argc, argv);
  // Desktops match the window to its desktop entry (and icon) by this name.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopAppId));
  BindHidLibrary();  // before the first window; a USB link without it reports its own error

  std::vector<std::string> arguments;
  const QStringList all = app.arguments();  // Qt's own options are already taken out
  for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());
  const TCommandLine commandLine = ParseCommandLine(arguments);
  // Off unless asked for; written out when main ends, after the window and its link.
  TPacketTraceScope trace(commandLine.traceFile, TraceFailureNotice(commandLine.traceFile));

  std::unique_ptr<TSimulatorLinks> simulator;
  TMainFormOptions options;
  options.commandLine = commandLine;
  options.settingsPath =
      DefaultSettingsFilePath(QCoreApplication::applicationFilePath().toStdString());
  TQtDialogs dialogs;
  options.dialogs = &dialogs;
  if (commandLine.simulator) {
    simulator = std::make_unique<TSimulatorLinks>();
    simulator->MakeLively();
    options.linkFactory = simulator->Factory();
    options.firmwareImages = simulator->FirmwareImages();
  }

  int result = 0;
  {
    TMainForm form(std::move(options));
    dialogs.SetParent(&form);
    TAboutForm about(&form);
    // The input-board interrupt dialog comes with the configuration pages.
    TSelectIntfForm select;
    form.SetAboutForm(&about);
    form.SetSelectIntfForm(&select);
    InstallStartupProbe(form, started);
    InstallStatusProbe(form);
    form.show();
    result = app.exec();
  }
  simulator.reset();
  ReleaseHidLibrary();
  return result;
}
