// The peripheral bus page over loopback UDP against the simulator with its lively setup (a
// panel and five external modules): one scan, and one tick of the counter poll, each beside
// the same datagrams replayed by a raw socket to the same simulator in the same run. Then
// the loop-back test of one word against its designed waits.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "diag/bus_access.h"
#include "diag/bus_page.h"
#include "diag/loopback_test.h"
#include "interleaved_rounds.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "sim/peripheral_setup.h"
#include "sim/udp_server.h"

using namespace karvelm;
using bench::ConnectTo;
using bench::LoopbackSocket;

namespace {

constexpr int kRounds = 300;
constexpr int kRepeats = 9;  // best of, to keep scheduler noise out

using TDatagrams = std::vector<std::vector<uint8_t>>;

std::vector<double> MeasureMicros(const std::vector<std::function<bool()>>& bodies) {
  return bench::BestMicrosPerRound(bodies, kRepeats, kRounds);
}

// Each datagram sent and its answer awaited, as the link does it.
bool Replay(int fd, const TDatagrams& datagrams) {
  uint8_t reply[2048];
  for (const auto& datagram : datagrams) {
    if (::send(fd, datagram.data(), datagram.size(), 0) < 0) return false;
    if (::recv(fd, reply, sizeof reply, 0) <= 0) return false;
  }
  return true;
}

// The datagrams the body sends, as the simulator received them.
TDatagrams Capture(TSimUdpServer& server, const std::function<void()>& body) {
  server.WithSim([](TModuleSim& sim) { sim.ClearRecord(); });
  body();
  return server.WithSim([](TModuleSim& sim) {
    TDatagrams datagrams;
    for (const TSimReceived& received : sim.Received()) datagrams.push_back(received.raw);
    return datagrams;
  });
}

void Print(const char* what, size_t datagrams, double page, double raw) {
  std::printf("%-38s %2zu round trips | page %8.1f us | raw replay %8.1f us | ratio %.3f\n", what,
              datagrams, page, raw, page / raw);
}

}  // namespace

int main() {
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(TSimConfig{}, options);
  server.WithSim([](TModuleSim& sim) {
    ApplyPeripheralSetup(sim, LivelySetup());
    sim.SetRecordLimit(0);
  });
  server.Start();
  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);
  int raw = LoopbackSocket(0);
  ConnectTo(raw, server.Port());

  TDiagRecords records;
  TPeripheralBusPage page(records);
  auto scan = [&] {
    page.Relist(true);
    return page.Listing().modules.size() == 5;
  };
  // A tick on the page: the firmware check, the poll, the counters into the tables.
  auto tick = [&] {
    if (!FirmwareAnswers()) return false;
    page.Read();
    page.Show(true);
    return page.LastPoll().panelRead;
  };
  const TDatagrams scanDatagrams = Capture(server, [&] { scan(); });
  const TDatagrams tickDatagrams = Capture(server, [&] { tick(); });
  server.WithSim([](TModuleSim& sim) { sim.SetRecordLimit(64); });

  const std::vector<double> t = MeasureMicros({scan, [&] { return Replay(raw, scanDatagrams); },
                                               tick, [&] { return Replay(raw, tickDatagrams); }});

  // The loop-back test of one word: 16 bits of three 100 ms waits.
  const auto start = std::chrono::steady_clock::now();
  const TLoopbackWord word = RunLoopbackTest(0167602, 0167630);
  const double loopbackMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const double designedMs = kLoopbackBits * 3 * kLoopbackStepWaitMs;

  CloseLink();
  server.Stop();
  ::close(raw);

  std::printf("%d rounds, best of %d runs, loopback UDP, panel and five external modules\n",
              kRounds, kRepeats);
  Print("scan (check, panel, 16 module queries)", scanDatagrams.size(), t[0], t[1]);
  Print("tick on the page (check, counter poll)", tickDatagrams.size(), t[2], t[3]);
  std::printf("loop-back test of one word: %.1f ms against %.0f ms of waits: ratio %.4f (%s)\n",
              loopbackMs, designedMs, loopbackMs / designedMs, word.Passed() ? "passed" : "FAILED");
  return 0;
}
