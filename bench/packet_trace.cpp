// A configuration read over loopback UDP against the simulator's UDP server with the packet
// trace on, beside the same read without it, in the same run: the trace's cost is the ratio
// (goal: at most 1.05). The traced reads write one trace, as a session does; the trace's own
// work for one read (done on its writer thread, or when the trace closes) is shown apart.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/config_transfer.h"
#include "interleaved_rounds.h"
#include "link/ext_intf.h"
#include "link/packet_trace.h"
#include "sim/udp_server.h"

using namespace karvelm;

namespace {

// One read per round, the two kinds taking turns read by read, best of many: on a busy
// machine the best reads are the ones nothing else slowed down.
constexpr int kRounds = 1;
constexpr int kRepeats = 400;

struct TPacket {
  TTraceDirection direction;
  std::vector<uint8_t> bytes;
};

// The packets of a trace file, from their hex.
std::vector<TPacket> PacketsOf(const std::string& path) {
  std::vector<TPacket> packets;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find("\"hex\":\"") + 7;
    TPacket packet{line.find("\"dir\":\"out\"") != std::string::npos ? tdToModule : tdFromModule,
                   {}};
    for (size_t i = at; i + 1 < line.size() && line[i] != '"'; i += 2)
      packet.bytes.push_back(static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
    packets.push_back(std::move(packet));
  }
  return packets;
}

}  // namespace

int main() {
  TSimConfig config;
  config.program = spLoader;
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(config, options);
  server.Start();
  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);

  char folder[] = "/tmp/karvelm-bench-trace-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  const std::string path = std::string(folder) + "/read.jsonl";
  bool traceFailed = false;

  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  auto plain = [&] { return ReadConfiguration(*image, 0).AllOk(); };
  // One trace for the whole run, as a session of the desktop program or a long command has.
  TPacketTrace session(path, [&](const std::string&) { traceFailed = true; });
  auto traced = [&] {
    SetPacketTrace(&session);
    const bool ok = ReadConfiguration(*image, 0).AllOk();
    SetPacketTrace(nullptr);
    return ok;
  };
  const std::vector<double> micros = bench::BestMicrosPerRound({plain, traced}, kRepeats, kRounds);
  session.Flush();
  struct stat info {};
  ::stat(path.c_str(), &info);
  const double sessionBytes = static_cast<double>(info.st_size);
  {
    // One read's trace on its own, for its size and packets.
    TPacketTraceScope trace(path, [&](const std::string&) { traceFailed = true; });
    ReadConfiguration(*image, 0);
  }
  ::stat(path.c_str(), &info);

  // The trace's own work for one read, without the network: the same packets recorded again.
  const std::vector<TPacket> packets = PacketsOf(path);
  const std::string againPath = std::string(folder) + "/again.jsonl";
  TPacketTrace again(againPath, [&](const std::string&) { traceFailed = true; });
  auto recordOnly = [&] {
    for (const TPacket& packet : packets)
      again.Record(packet.direction, itUDP, packet.bytes.data(),
                   static_cast<int>(packet.bytes.size()));
    return again.Flush();
  };
  const double recordMicros = bench::BestMicrosPerRound({recordOnly}, 50, 1)[0];

  std::printf("configuration read over loopback UDP, best of %d reads each\n", kRepeats * kRounds);
  std::printf("without trace %9.3f ms | with --trace %9.3f ms | trace/plain %.3f (goal <= 1.05)\n",
              micros[0] / 1000, micros[1] / 1000, micros[1] / micros[0]);
  std::printf("trace of one read: %zu packets, %lld bytes%s\n", packets.size(),
              static_cast<long long>(info.st_size), traceFailed ? " (writing it failed)" : "");
  std::printf(
      "the trace's own work for one read, mostly on its writer thread (copy, decode, format,\n"
      "write): %.3f ms, %.3f of the plain read\n",
      recordMicros / 1000, recordMicros / micros[0]);
  std::printf("the session trace: %.1f MB\n", sessionBytes / 1e6);

  CloseLink();
  server.Stop();
  ::unlink(path.c_str());
  ::unlink(againPath.c_str());
  ::rmdir(folder);
  return traceFailed ? 1 : 0;
}
