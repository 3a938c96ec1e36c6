// A 256 KiB module firmware update and a 64 KiB accessory update over loopback UDP against
// the simulator's UDP server, beside the raw floor measured in the same run: the very
// datagrams the link sent, replayed by a raw socket to the same simulator (one send, one
// receive each). The link's cost is its ratio to that floor.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "link/commands.h"
#include "link/commands_accessory.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "request_capture.h"
#include "sim/sim_images.h"
#include "sim/udp_server.h"
#include "sim/updater_model.h"
#include "update/accessory_transfer.h"
#include "update/module_update.h"

using namespace karvelm;

namespace {

constexpr int kRuns = 30;  // best of, to keep scheduler noise out
constexpr size_t kModuleImageSize = 256 * 1024;
constexpr size_t kAccessoryImageSize = 64 * 1024;

int TimedLoopbackSocket() {
  const int fd = bench::LoopbackSocket();
  timeval wait{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  return fd;
}

void Die(const char* why) {
  std::fprintf(stderr, "%s\n", why);
  std::exit(1);
}

// Best milliseconds of each body over kRuns rounds, taking turns within a round; setup runs
// untimed before every body (it brings the module into the state the body starts from).
std::vector<double> MeasureMs(const std::function<void()>& setup,
                              const std::vector<std::function<bool()>>& bodies) {
  std::vector<double> best(bodies.size(), 1e18);
  for (int run = 0; run < kRuns; ++run) {
    for (size_t i = 0; i < bodies.size(); ++i) {
      setup();
      const auto start = std::chrono::steady_clock::now();
      if (!bodies[i]()) Die("a run failed");
      best[i] = std::min(best[i], std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - start)
                                      .count());
    }
  }
  return best;
}

// The request datagrams exactly as the link sent them in one run of operation.
bench::TRequests Capture(TSimUdpServer& server, const std::function<void()>& setup,
                         const std::function<bool()>& operation) {
  setup();
  auto requests = bench::CaptureRequests(server, operation);
  if (!requests) Die("the operation failed or went unanswered");
  return *requests;
}

void Report(const char* what, TSimUdpServer& server, int raw, const std::function<void()>& setup,
            const std::function<bool()>& operation) {
  const auto requests = Capture(server, setup, operation);
  size_t bytes = 0;
  for (const auto& request : requests) bytes += request.size();
  const std::vector<double> times =
      MeasureMs(setup, {operation, [&] { return bench::ReplayRequests(raw, requests); }});
  std::printf(
      "%-34s %5zu round trips, %7zu bytes out | link %8.3f ms | raw->sim %8.3f ms"
      " | link/raw %.3f (goal <= 1.10)\n",
      what, requests.size(), bytes, times[0], times[1], times[0] / times[1]);
}

}  // namespace

int main() {
  TSimConfig config;
  config.program = spLoader;
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(config, options);
  server.Start();
  const int raw = TimedLoopbackSocket();
  bench::ConnectTo(raw, server.Port());
  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);

  std::printf("loopback UDP, best of %d runs\n", kRuns);

  TImageResolver images;
  auto source = std::make_shared<TMemoryImageSource>("bench");
  source->Add(kImageModule, MakeSimImage(kImageModule, 0x02002200, kModuleImageSize));
  images.Prepend(source);
  const TUpdateHooks hooks;
  auto inLoader = [&] { server.WithSim([](TModuleSim& sim) { sim.SetProgram(spLoader); }); };
  Report("module firmware, 256 KiB", server, raw, inLoader,
         [&] { return UpdateModuleFirmware("", false, images, hooks).outcome == muDone; });

  // The target prepared (untimed), then the length, 1024 pieces and a status poll after each.
  const TFirmwareImage accessory{"bench",
                                 MakeSimImage(kImageBosi, 0x02040000, kAccessoryImageSize)};
  auto prepared = [&] {
    server.WithSim([](TModuleSim& sim) {
      sim.SetProgram(spFirmware);
      sim.FindModel<TUpdaterModel>()->busyPolls = 0;
    });
    if (!PrepareBosiUpdate()) Die("the target did not become ready");
  };
  Report("accessory (BOSI link), 64 KiB", server, raw, prepared, [&] {
    return TransferAccessoryImage(accessory, cmdWriteBosiFirmware, true, hooks).outcome == atDone;
  });

  CloseLink();
  server.Stop();
  ::close(raw);
  return 0;
}
