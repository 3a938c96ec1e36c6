// A full configuration read and write over loopback UDP against the simulator's UDP server,
// beside two floors measured in the same run from the very datagrams the link sent: replayed
// by a raw socket to the same simulator (one send, one receive each), and sent to an echo
// thread that answers each with a datagram of the size the simulator answered with. The
// link's cost is its ratio to the first floor. The same datagrams replayed through the link's
// own transport show how much of it is the socket layer.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "config/byte_stream.h"
#include "config/config_image.h"
#include "config/config_records.h"
#include "config/config_transfer.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/socket_udp.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "sim/udp_server.h"

using namespace karvelm;
using bench::ConnectTo;
using bench::LoopbackSocket;
using bench::PortOf;

namespace {

constexpr int kRuns = 40;  // best of, to keep scheduler noise out

// A loopback socket whose receive gives up after a second, so that a lost answer ends a run.
int TimedLoopbackSocket() {
  const int fd = bench::LoopbackSocket();
  timeval wait{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  return fd;
}

// Best milliseconds of each body over kRuns rounds. The bodies take turns within a round, so
// that a slow stretch of the machine falls on all of them alike.
std::vector<double> MeasureMs(const std::vector<std::function<bool()>>& bodies) {
  std::vector<double> best(bodies.size(), 1e18);
  for (int run = 0; run < kRuns; ++run) {
    for (size_t i = 0; i < bodies.size(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      if (!bodies[i]()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
      }
      best[i] = std::min(best[i], std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
    }
  }
  return best;
}

// One request datagram exactly as the link sent it, and the size of the simulator's answer.
struct TExchange {
  std::vector<uint8_t> request;
  size_t answer = 0;
};

// What the link sent and got in one run of operation, read from the simulator's record.
std::vector<TExchange> Capture(TSimUdpServer& server, const std::function<bool()>& operation) {
  server.WithSim([](TModuleSim& sim) { sim.ClearRecord(); });
  if (!operation()) {
    std::fprintf(stderr, "the operation failed\n");
    std::exit(1);
  }
  return server.WithSim([](TModuleSim& sim) {
    std::vector<TExchange> exchanges;
    for (const TSimReceived& received : sim.Received())
      if (received.fate == sfHandled) exchanges.push_back({received.raw, 0});
    const std::vector<TSimPacket>& sent = sim.Sent();
    if (sent.size() != exchanges.size()) {
      std::fprintf(stderr, "%zu requests, %zu answers\n", exchanges.size(), sent.size());
      std::exit(1);
    }
    for (size_t i = 0; i < sent.size(); ++i)
      exchanges[i].answer = std::max<size_t>(kFramedHeaderSize + sent[i].payload.size(),
                                             static_cast<size_t>(kMinDatagramSize));
    return exchanges;
  });
}

// The same datagrams through the open link's transport (its socket and buffers), without the
// framing and transaction layers above it.
bool ReplayThroughTheLink(const std::vector<TExchange>& exchanges) {
  uint8_t answer[2048];
  for (const TExchange& exchange : exchanges) {
    if (!ActiveLink->Write(exchange.request.data(), static_cast<int>(exchange.request.size())))
      return false;
    int received = 0;
    if (!ActiveLink->Read(answer, sizeof answer, 1000, &received)) return false;
  }
  return true;
}

bool Replay(int fd, const std::vector<TExchange>& exchanges) {
  uint8_t answer[2048];
  for (const TExchange& exchange : exchanges) {
    if (::send(fd, exchange.request.data(), exchange.request.size(), 0) < 0) return false;
    if (::recv(fd, answer, sizeof answer, 0) <= 0) return false;
  }
  return true;
}

// Answers the datagrams of one script in order, each with the recorded answer size.
class TEchoPeer {
 public:
  TEchoPeer() : FSocket(TimedLoopbackSocket()) {
    FThread = std::thread([this] { Serve(); });
  }
  ~TEchoPeer() {
    FStop = true;
    FThread.join();
    ::close(FSocket);
  }
  uint16_t Port() const { return PortOf(FSocket); }
  // Set before each replay, while the peer is idle.
  void SetScript(const std::vector<TExchange>* script) {
    FScript = script;
    FNext = 0;
  }

 private:
  void Serve() {
    uint8_t buffer[2048] = {};
    timeval wait{0, 100000};
    ::setsockopt(FSocket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    while (!FStop) {
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t n = ::recvfrom(FSocket, buffer, sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
      if (n < 0 || !FScript) continue;
      const size_t answer = (*FScript)[FNext++ % FScript->size()].answer;
      ::sendto(FSocket, buffer, answer, 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  }

  int FSocket;
  std::atomic<bool> FStop{false};
  const std::vector<TExchange>* FScript = nullptr;
  size_t FNext = 0;
  std::thread FThread;
};

// work: the operation's own processing without the link (encoding the record stream, or
// the page checks), measured alone so that the link's share can be seen.
void Report(const char* what, TSimUdpServer& server, int raw, int ping, TEchoPeer& echo,
            const std::function<bool()>& operation, const char* workName,
            const std::function<bool()>& work) {
  const std::vector<TExchange> exchanges = Capture(server, operation);
  size_t sent = 0, received = 0;
  for (const TExchange& exchange : exchanges) {
    sent += exchange.request.size();
    received += exchange.answer;
  }
  echo.SetScript(&exchanges);
  const std::vector<double> times = MeasureMs({
      operation,
      [&] { return Replay(raw, exchanges); },
      [&] { return Replay(ping, exchanges); },
      work,
      [&] { return ReplayThroughTheLink(exchanges); },
  });
  echo.SetScript(nullptr);
  const double link = times[0], rawSim = times[1], pingPong = times[2], own = times[3],
               socket = times[4];
  std::printf(
      "%-26s %4zu round trips, %7zu bytes out, %7zu in | link %7.3f ms | raw->sim %7.3f ms"
      " | raw ping-pong %7.3f ms | link/raw->sim %.3f\n",
      what, exchanges.size(), sent, received, link, rawSim, pingPong, link / rawSim);
  std::printf("%-26s %s %.3f ms; link without it %.3f ms, %.3f of raw->sim\n", "", workName, own,
              link - own, (link - own) / rawSim);
  std::printf("%-26s the same datagrams through the link's socket %.3f ms, %.3f of raw->sim\n", "",
              socket, socket / rawSim);
}

}  // namespace

int main() {
  TSimConfig config;
  config.program = spLoader;
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(config, options);
  server.Start();
  TEchoPeer echo;
  const int raw = TimedLoopbackSocket();
  ConnectTo(raw, server.Port());
  const int ping = TimedLoopbackSocket();
  ConnectTo(ping, echo.Port());
  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);

  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  auto randomPages = std::make_unique<TConfigImage>();
  ResetConfigImage(*randomPages);
  std::mt19937 generator(1);
  for (uint8_t& byte : randomPages->MemoryImage) byte = static_cast<uint8_t>(generator());

  std::printf("loopback UDP, best of %d runs\n", kRuns);
  auto encode = [](TConfigImage& source) {
    return [&source] {
      TMemorySink stream;
      return WriteConfigSection(source, 0, stream);
    };
  };
  Report(
      "write, blank image", server, raw, ping, echo,
      [&] { return WriteConfiguration(*image, 0).ok(); }, "encoding the section", encode(*image));
  Report(
      "write, random pages", server, raw, ping, echo,
      [&] { return WriteConfiguration(*randomPages, 0).ok(); }, "encoding the section",
      encode(*randomPages));
  Report(
      "read (random pages)", server, raw, ping, echo,
      [&] { return ReadConfiguration(*image, 0).AllOk(); }, "the 16 page checks",
      [&] {
        UpdateAllPageChecks(*image);
        return true;
      });

  CloseLink();
  server.Stop();
  ::close(raw);
  ::close(ping);
  return 0;
}
