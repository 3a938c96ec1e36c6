// The terminal page's two figures.
// Read: one screen refresh (ReadTerminalScreen, nine cmdReadBus) over loopback UDP against the
// simulator, beside the floor of the same nine datagrams sent by a raw socket to the same
// simulator in the same run (goal: ratio <= 1.10).
// Render: RenderTerminal of the main window's terminal page (offscreen), with one line changed
// and with every line changed (the monitor scrolled), alone and with the window's paint of what
// changed (the events handled as the program's loop would); the floor
// is the same sixteen lines drawn with the same font straight into an image (goal < 1 ms).
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "app/sim_links.h"
#include "app/ui/main_form.h"
#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/framing.h"
#include "link/socket_udp.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "sim/udp_server.h"
#include "terminal/terminal_screen.h"
#include "terminal/ui/terminal_pages.h"

using namespace karvelm;
using TSteady = std::chrono::steady_clock;

namespace {

double MicrosSince(TSteady::time_point start) {
  return std::chrono::duration<double, std::micro>(TSteady::now() - start).count();
}

// Best mean microseconds per round of each body over repeats runs of rounds; the bodies take
// turns, so that a slow stretch of the machine falls on all of them alike.
std::vector<double> BestMicros(const std::vector<std::function<void()>>& bodies, int rounds,
                               int repeats) {
  std::vector<double> best(bodies.size(), 1e12);
  for (int repeat = 0; repeat < repeats; ++repeat) {
    for (size_t b = 0; b < bodies.size(); ++b) {
      const auto start = TSteady::now();
      for (int i = 0; i < rounds; ++i) bodies[b]();
      best[b] = std::min(best[b], MicrosSince(start) / rounds);
    }
  }
  return best;
}

// ---- Read ----------------------------------------------------------------------------------

void ReadFigures() {
  constexpr int kRounds = 500;
  constexpr int kRepeats = 10;
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(TSimConfig{}, options);
  server.Start();
  const int raw = bench::LoopbackSocket(0);
  bench::ConnectTo(raw, server.Port());
  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);

  // The nine requests of one refresh, framed once; the raw floor only renumbers them.
  std::vector<TCommandPayload> reads;
  for (int k = 0; k < kTerminalBlocks; ++k)
    reads.push_back(
        EncodeReadBus(static_cast<uint16_t>(kTerminalScreenAddress + 64 * k), kTerminalBlockWords));
  reads.push_back(EncodeReadBus(kTerminalModeAddress, 1));
  uint32_t sequence = 0x10000000;
  const auto rawRefresh = [&] {
    for (const TCommandPayload& read : reads) {
      uint8_t packet[kMaxPacketSize];
      const int size =
          std::max(BuildFramedPacket(packet, 1, cmdReadBus, sequence++, read.data(), read.size),
                   kMinDatagramSize);
      uint8_t reply[2048];
      if (::send(raw, packet, static_cast<size_t>(size), 0) < 0 ||
          ::recv(raw, reply, sizeof reply, 0) <= 0) {
        std::fprintf(stderr, "a raw round trip failed\n");
        std::exit(1);
      }
    }
  };
  TTerminalScreen screen;
  const auto refresh = [&] {
    if (!screen.ReadTerminalScreen().Complete()) {
      std::fprintf(stderr, "a screen read failed\n");
      std::exit(1);
    }
  };
  const std::vector<double> t = BestMicros({refresh, rawRefresh}, kRounds, kRepeats);
  if (server.ViolationCount() != 0) std::printf("  (the simulator saw protocol violations)\n");
  CloseLink();
  server.Stop();
  ::close(raw);

  std::printf("one screen refresh over loopback UDP, best mean of %d runs of %d:\n", kRepeats,
              kRounds);
  std::printf("  ReadTerminalScreen (9 cmdReadBus) %8.1f us\n", t[0]);
  std::printf(
      "  floor: the same 9 round trips on a raw socket %8.1f us   ratio %.3f (goal <= 1.10)\n",
      t[1], t[0] / t[1]);
}

// ---- Render --------------------------------------------------------------------------------

class TSilentDialogs final : public TUserDialogs {
 public:
  bool AskOkCancel(const std::string&, const std::string&) override { return false; }
  void Inform(const std::string&, const std::string&) override {}
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest&) override { return {}; }
};

void RenderFigures() {
  constexpr int kRounds = 200;
  constexpr int kRepeats = 10;
  TSimulatorLinks links;
  TSilentDialogs dialogs;
  TMainFormOptions options;
  options.settingsPath = "/nonexistent/KarvelMcfg.ini";  // the defaults; never closed
  options.dialogs = &dialogs;
  options.linkFactory = links.Factory();
  options.startTimer = false;
  TMainForm form(std::move(options));
  form.Settings().DisableIntfSelection = true;
  form.Settings().intf_type_num = itUDP;
  form.show();
  form.FormShow();
  form.findChild<QTabWidget*>("PageControl1")
      ->setCurrentWidget(form.findChild<QWidget*>("TabSheet3"));
  form.Timer1Timer();
  form.Timer1Timer();
  QCoreApplication::processEvents();
  if (!form.Shell().fw_state.connected || !form.Shell().terminal_mode) {
    std::printf("render: the simulated module was not found\n");
    return;
  }
  TTerminalPages& page = form.TerminalPages();
  auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
  TConsoleScreenModel& console = links.Sim().Console();

  // Each round the module's screen has changed (untimed: the key and the read), then the page
  // renders it.
  int key = 0;
  const std::function<void()> typed = [&] {
    if (console.CursorColumn() > 28) console.Key('\n');
    console.Key(static_cast<uint16_t>('A' + key++ % 26));
    page.Read();
  };
  const std::function<void()> scrolled = [&] {
    console.Key('\n');
    console.Key(static_cast<uint16_t>('A' + key++ % 26));
    page.Read();
  };
  double sums[4] = {0, 0, 0, 0};
  double best[4] = {1e12, 1e12, 1e12, 1e12};
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    int slot = 0;
    for (const auto& change : {typed, scrolled}) {
      for (const bool paint : {false, true}) {
        double total = 0;
        for (int i = 0; i < kRounds; ++i) {
          change();
          QCoreApplication::processEvents();
          const auto start = TSteady::now();
          page.Show();
          if (paint) QCoreApplication::processEvents();  // the paint of what changed
          total += MicrosSince(start);
        }
        best[slot] = std::min(best[slot], total / kRounds);
        sums[slot] += total / kRounds;
        ++slot;
      }
    }
  }

  // The floor: the sixteen lines drawn with Memo1's font into an image of its size.
  QImage image(memo->size(), QImage::Format_RGB32);
  QStringList lines;
  for (int i = 0; i < kTerminalLines; ++i) lines << memo->document()->findBlockByNumber(i).text();
  const QFont font = memo->font();
  const int lineHeight = QFontMetrics(font).lineSpacing();
  const std::vector<double> floor =
      BestMicros({[&] {
                   QPainter painter(&image);
                   painter.fillRect(image.rect(), Qt::black);
                   painter.setFont(font);
                   painter.setPen(QColor(0xC0, 0xC0, 0xC0));
                   for (int i = 0; i < kTerminalLines; ++i)
                     painter.drawText(0, i * lineHeight + QFontMetrics(font).ascent(), lines[i]);
                 }},
                 kRounds, kRepeats);

  std::printf(
      "one refresh rendered on the terminal page (offscreen), best mean of %d runs of %d:\n",
      kRepeats, kRounds);
  const char* names[] = {"one line changed, RenderTerminal", "one line changed, + its paint",
                         "all lines changed, RenderTerminal", "all lines changed, + their paint"};
  for (int i = 0; i < 4; ++i)
    std::printf("  %-38s %8.1f us  (mean of runs %.1f us)  / floor %.2f\n", names[i], best[i],
                sums[i] / kRepeats, best[i] / floor[0]);
  std::printf("  floor: 16 lines drawn into a %dx%d image %8.1f us   (goal < 1000 us)\n",
              image.width(), image.height(), floor[0]);
}

}  // namespace

int main(int argc, char** argv) {
  ReadFigures();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  RenderFigures();
  return 0;
}
