// A configuration read over loopback UDP against the simulator's UDP server with the packet
// trace on, beside the same read without it, in the same run: the trace's cost is the ratio
// (goal: at most 1.05). Each traced read writes its own file, as one command line does:
// created, gathered, written out when the trace closes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/config_image.h"
#include "config/config_transfer.h"
#include "interleaved_rounds.h"
#include "link/ext_intf.h"
#include "link/packet_trace.h"
#include "sim/udp_server.h"

using namespace karvelm;

namespace {

constexpr int kRounds = 20;
constexpr int kRepeats = 15;  // best of, to keep scheduler noise out

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
  auto traced = [&] {
    TPacketTraceScope trace(path, [&](const std::string&) { traceFailed = true; });
    return ReadConfiguration(*image, 0).AllOk();
  };
  const std::vector<double> micros = bench::BestMicrosPerRound({plain, traced}, kRepeats, kRounds);
  struct stat info {};
  ::stat(path.c_str(), &info);

  std::printf("configuration read over loopback UDP, best mean of %d x %d reads\n", kRepeats,
              kRounds);
  std::printf("without trace %9.3f ms | with --trace %9.3f ms | trace/plain %.3f (goal <= 1.05)\n",
              micros[0] / 1000, micros[1] / 1000, micros[1] / micros[0]);
  std::printf("trace of one read: %lld bytes%s\n", static_cast<long long>(info.st_size),
              traceFailed ? " (writing it failed)" : "");

  CloseLink();
  server.Stop();
  ::unlink(path.c_str());
  ::rmdir(folder);
  return traceFailed ? 1 : 0;
}
