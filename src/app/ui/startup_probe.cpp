#include "app/ui/startup_probe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace karvelm {

namespace {

class TStartupProbe final : public QObject {
 public:
  TStartupProbe(QWidget& window, std::chrono::steady_clock::time_point started)
      : QObject(&window), FWindow(window), FStarted(started) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &FWindow || event->type() != QEvent::Show) return false;
    // Once the loop runs: the window is on screen; paint it fully, then report.
    QTimer::singleShot(0, this, [this] {
      FWindow.repaint();
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - FStarted)
              .count();
      std::printf("%s%.2f\n", kStartupProbeLine, ms);
      std::fflush(stdout);
      QCoreApplication::exit(0);
    });
    // The window's own first-show handling (the dialog, the link) is left out.
    return true;
  }

 private:
  QWidget& FWindow;
  std::chrono::steady_clock::time_point FStarted;
};

}  // namespace

void InstallStartupProbe(QWidget& window, std::chrono::steady_clock::time_point started) {
  if (!qEnvironmentVariableIsSet(kStartupProbeVariable)) return;
  window.installEventFilter(new TStartupProbe(window, started));
}

}  // namespace karvelm
