// One supervision tick of the real main window (offscreen) with a diagnostics sub-page in
// view, over loopback UDP to the simulator with its lively setup (a panel and five external
// modules): the peripheral bus sub-page (probe, firmware check, counter poll, grids redrawn)
// and the input/output sub-page (probe, firmware check, two bus reads, sixteen labels redrawn).
// The floor of each: the same datagrams, as the simulator received them in one pair of ticks,
// replayed by a raw socket in the same run.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QTabWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/ui/main_form.h"
#include "diag/sub_pages.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "sim/peripheral_setup.h"
#include "sim/udp_server.h"

using namespace karvelm;

namespace {

constexpr int kPairs = 150;  // tick pairs: one firmware probe and one bootloader probe each
constexpr int kRepeats = 7;  // best of, to keep scheduler noise out

using TDatagrams = std::vector<std::vector<uint8_t>>;

class TSilentDialogs final : public TUserDialogs {
 public:
  bool AskOkCancel(const std::string&, const std::string&) override { return false; }
  void Inform(const std::string&, const std::string&) override {}
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest&) override { return {}; }
};

bool Replay(int fd, const TDatagrams& datagrams) {
  uint8_t reply[2048];
  for (const auto& datagram : datagrams) {
    if (::send(fd, datagram.data(), datagram.size(), 0) < 0) return false;
    if (::recv(fd, reply, sizeof reply, 0) <= 0) return false;
  }
  return true;
}

double BestMicrosPerPair(const std::function<void()>& pair) {
  double best = 1e12;
  for (int r = 0; r < kRepeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPairs; ++i) pair();
    const double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, us / kPairs);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  TSimServerOptions serverOptions;
  serverOptions.port = 0;
  // Lenient: the replayed datagrams repeat sequence numbers the module has seen.
  TSimConfig config;
  config.strict = false;
  TSimUdpServer server(config, serverOptions);
  server.WithSim([](TModuleSim& sim) {
    ApplyPeripheralSetup(sim, LivelySetup());
    sim.SetRecordLimit(0);
  });
  server.Start();
  const uint16_t port = server.Port();

  TSilentDialogs dialogs;
  TMainFormOptions options;
  options.settingsPath = "/nonexistent/KarvelMcfg.ini";  // the defaults; never written
  options.dialogs = &dialogs;
  options.linkFactory = [port](TIntfType kind, const std::string&) {
    return std::make_unique<TExtIntf>(kind, "127.0.0.1", port, 0);
  };
  options.startTimer = false;
  auto form = std::make_unique<TMainForm>(std::move(options));
  form->Settings().DisableIntfSelection = true;
  form->Settings().intf_type_num = itUDP;
  form->show();
  form->FormShow();
  QCoreApplication::processEvents();
  form->Timer1Timer();
  form->Timer1Timer();
  if (!form->Shell().fw_state.connected) {
    std::fprintf(stderr, "the simulator does not answer\n");
    return 1;
  }

  const int raw = bench::LoopbackSocket();
  bench::ConnectTo(raw, port);
  auto* pages = form->findChild<QTabWidget*>("PageControl1");
  auto* diagnostics = form->findChild<QTabWidget*>("PageControl2");
  std::printf(
      "one Timer1Timer of the main window, mean of a firmware-probe and a bootloader-probe "
      "tick, best of %d x %d pairs, loopback UDP, panel and five external modules:\n",
      kRepeats, kPairs);
  const struct {
    const char* name;
    int subPage;
  } views[] = {{"peripheral bus sub-page", dpPeripheralBus}, {"input/output sub-page", dpInOut}};
  for (const auto& view : views) {
    pages->setCurrentIndex(mpDiagnostics);
    diagnostics->setCurrentIndex(view.subPage);
    form->Timer1Timer();
    form->Timer1Timer();
    QCoreApplication::processEvents();
    server.WithSim([](TModuleSim& sim) {
      sim.SetRecordLimit(64);
      sim.ClearRecord();
    });
    form->Timer1Timer();
    form->Timer1Timer();
    const TDatagrams datagrams = server.WithSim([](TModuleSim& sim) {
      TDatagrams sent;
      for (const TSimReceived& received : sim.Received()) sent.push_back(received.raw);
      sim.SetRecordLimit(0);
      return sent;
    });
    const double tick = BestMicrosPerPair([&] {
                          form->Timer1Timer();
                          form->Timer1Timer();
                        }) /
                        2;
    const double floor = BestMicrosPerPair([&] { Replay(raw, datagrams); }) / 2;
    std::printf(
        "  %-24s %4.1f round trips a tick | tick %8.1f us | raw replay %8.1f us | "
        "ratio %.2f\n",
        view.name, datagrams.size() / 2.0, tick, floor, tick / floor);
  }
  ::close(raw);
  form.reset();
  CloseLink();
  server.Stop();
  return 0;
}
