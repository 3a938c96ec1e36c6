// Round trips of the link layer over loopback UDP against the simulator, beside two floors
// measured in the same run: the same datagrams sent by a raw socket to the same simulator, and
// a raw socket ping-pong with an echo thread. The link's cost is the ratio to the first floor.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "interleaved_rounds.h"
#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/module_commands.h"
#include "link/socket_udp.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "sim/udp_server.h"

using namespace karvelm;
using bench::ConnectTo;
using bench::LoopbackSocket;
using bench::PortOf;

namespace {

constexpr int kRounds = 5000;
constexpr int kRepeats = 12;  // best of, to keep scheduler noise out

std::vector<double> MeasureMicros(const std::vector<std::function<bool()>>& bodies) {
  return bench::BestMicrosPerRound(bodies, kRepeats, kRounds);
}

struct TFigures {
  const char* what;
  double link, rawSim, pingPong;
};

void Print(const TFigures& f) {
  std::printf(
      "%-34s link %7.2f us | raw->sim %7.2f us | raw ping-pong %7.2f us | link/raw->sim %.3f\n",
      f.what, f.link, f.rawSim, f.pingPong, f.link / f.rawSim);
}

}  // namespace

int main() {
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(TSimConfig{}, options);
  server.Start();

  // Echo peer for the ping-pong floor.
  int echo = LoopbackSocket(0);
  std::atomic<bool> stop{false};
  std::thread echoThread([&] {
    uint8_t buffer[2048];
    timeval wait{0, 100000};
    ::setsockopt(echo, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    while (!stop) {
      sockaddr_in from{};
      socklen_t length = sizeof from;
      ssize_t n =
          ::recvfrom(echo, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (n < 0) continue;
      // Answer with the size the simulator would: the first byte says how long.
      size_t answer = buffer[0] == 2 ? 76 : 64;
      ::sendto(echo, buffer, answer, 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  });

  int raw = LoopbackSocket(0);
  ConnectTo(raw, server.Port());
  int ping = LoopbackSocket(0);
  ConnectTo(ping, PortOf(echo));

  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);

  auto rawExchange = [](int fd, uint8_t code, const uint8_t* payload, int length, bool echoData) {
    static uint32_t seq = 0x10000000;
    uint8_t packet[kMaxPacketSize];
    int size = BuildFramedPacket(packet, 1, code, seq++, payload, length);
    if (echoData) packet[0] = 2;  // tells the echo peer to answer with a data-packet size
    size = std::max(size, kMinDatagramSize);
    if (::send(fd, packet, static_cast<size_t>(size), 0) < 0) return false;
    uint8_t reply[2048];
    return ::recv(fd, reply, sizeof reply, 0) > 0;
  };

  // cmdGetVersion: a 12-byte command (64 on the wire) and a 16-byte reply (64 on the wire).
  auto measure = [](const char* what, const std::vector<std::function<bool()>>& bodies) {
    const std::vector<double> t = MeasureMicros(bodies);
    return TFigures{what, t[0], t[1], t[2]};
  };
  const TFigures version =
      measure("Transact cmdGetVersion",
              {[] {
                 uint32_t word = 0;
                 return GetVersion(word);
               },
               [&] { return rawExchange(raw, cmdGetVersion, nullptr, 0, false); },
               [&] { return rawExchange(ping, cmdGetVersion, nullptr, 0, false); }});

  // cmdReadBus of 32 words: a 24-byte command and a 76-byte data packet.
  TCommandPayload readBus = EncodeReadBus(0177700, 32);
  const TFigures bus =
      measure("ReadData cmdReadBus 32 words",
              {[] {
                 uint16_t words[32];
                 return ReadBusWords(0177700, 32, words);
               },
               [&] { return rawExchange(raw, cmdReadBus, readBus.data(), readBus.size, false); },
               [&] { return rawExchange(ping, cmdReadBus, readBus.data(), readBus.size, true); }});

  CloseLink();
  stop = true;
  echoThread.join();
  server.Stop();
  ::close(raw);
  ::close(ping);
  ::close(echo);

  std::printf("%d round trips, best of %d runs, loopback UDP\n", kRounds, kRepeats);
  Print(version);
  Print(bus);
  return 0;
}
