#include "app/ui/status_probe.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace karvelm {

namespace {

// The label is written by the supervision tick; a short poll sees every state it shows
// for a tick or longer, without a hook in the tick itself.
constexpr int kPollMs = 20;

class TStatusProbe final : public QObject {
 public:
  TStatusProbe(QWidget& window, QString awaited)
      : QObject(&window), FWindow(window), FAwaited(std::move(awaited)) {
    auto* timer = new QTimer(this);
    timer->setInterval(kPollMs);
    connect(timer, &QTimer::timeout, this, &TStatusProbe::Poll);
    timer->start();
  }

 private:
  void Poll() {
    const auto* label = FWindow.findChild<QLabel*>("StaticText11");
    if (!label || FDone) return;
    const QString text = label->text();
    if (text == FShown) return;
    FShown = text;
    std::printf("%s%s\n", kStatusProbeLine, text.toUtf8().constData());
    std::fflush(stdout);
    if (text == FAwaited) {
      FDone = true;
      QTimer::singleShot(0, &FWindow, &QWidget::close);
    }
  }

  QWidget& FWindow;
  QString FAwaited;
  QString FShown;
  bool FDone = false;
};

}  // namespace

void InstallStatusProbe(QWidget& window) {
  if (!qEnvironmentVariableIsSet(kStatusProbeVariable)) return;
  new TStatusProbe(window, qEnvironmentVariable(kStatusProbeVariable));
}

}  // namespace karvelm
