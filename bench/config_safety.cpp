// The safety net of a configuration write: backup (read and saved to a file), write and
// read-back check of one configuration, over loopback UDP against the simulator's UDP server
// beside the floor measured in the same run (the very datagrams the three sent, replayed by a
// raw socket to the same simulator, one send and one receive each); and the same three on the
// in-process first-generation USB simulator. Also what the read-back check adds to a write.
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/config_backup.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_transfer.h"
#include "config/write_check.h"
#include "interleaved_rounds.h"
#include "link/ext_intf.h"
#include "loopback_socket.h"
#include "request_capture.h"
#include "sim/module_sim.h"
#include "sim/sim_transport.h"
#include "sim/udp_server.h"

using namespace karvelm;

namespace {

constexpr int kRepeats = 15;  // best of, to keep scheduler noise out
constexpr int kRounds = 1;

void Die(const char* why) {
  std::fprintf(stderr, "%s\n", why);
  std::exit(1);
}

struct TSafeWrite {
  TConfigImage& image;
  std::string folder;

  bool Backup() const { return BackupConfiguration(0, folder).ok; }
  bool Write() const { return WriteConfiguration(image, 0).ok(); }
  bool Check() const { return CheckWrittenConfiguration(image, 0).ok(); }
  bool All() const { return Backup() && Write() && Check(); }
  // The backup's local part: its file written, synced to the disk and renamed into place.
  bool Save() const {
    std::filesystem::create_directories(folder);
    return SaveConfigImageFile(folder + "/save.bin", image).ok();
  }
};

// The request datagrams exactly as the link sent them in one run of operation.
bench::TRequests Capture(TSimUdpServer& server, const std::function<bool()>& operation) {
  auto requests = bench::CaptureRequests(server, operation);
  if (!requests) Die("the operation failed or went unanswered");
  return *requests;
}

double Ms(double micros) {
  return micros / 1000;
}

void Udp(TSafeWrite& job) {
  TSimConfig config;
  config.program = spLoader;
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(config, options);
  server.Start();
  const int raw = bench::LoopbackSocket();
  timeval wait{1, 0};
  ::setsockopt(raw, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  bench::ConnectTo(raw, server.Port());
  OpenLink(itUDP, "127.0.0.1", server.Port(), 0);

  const auto all = Capture(server, [&] { return job.All(); });
  const auto check = Capture(server, [&] { return job.Check(); });
  const std::vector<double> t =
      bench::BestMicrosPerRound({
                                    [&] { return job.All(); },
                                    [&] { return bench::ReplayRequests(raw, all); },
                                    [&] { return job.Backup(); },
                                    [&] { return job.Write(); },
                                    [&] { return job.Check(); },
                                    [&] { return bench::ReplayRequests(raw, check); },
                                    [&] { return job.Save(); },
                                },
                                kRepeats, kRounds);
  std::printf("loopback UDP, best of %d\n", kRepeats);
  std::printf(
      "  backup + write + check  %4zu round trips | link %8.3f ms | raw->sim %8.3f ms"
      " | link/raw %.3f (goal <= 1.10)\n",
      all.size(), Ms(t[0]), Ms(t[1]), t[0] / t[1]);
  std::printf(
      "  of which saving the backup file (encode, fsync, rename) %.3f ms; without it link %.3f ms,"
      " link/raw %.3f\n",
      Ms(t[6]), Ms(t[0] - t[6]), (t[0] - t[6]) / t[1]);
  std::printf("  backup %.3f ms, write %.3f ms, check %.3f ms (%zu round trips, raw %.3f ms)\n",
              Ms(t[2]), Ms(t[3]), Ms(t[4]), check.size(), Ms(t[5]));
  std::printf("  the check adds %.0f%% to a write, %.0f%% to backup + write\n", 100 * t[4] / t[3],
              100 * t[4] / (t[2] + t[3]));
  CloseLink();
  server.Stop();
  ::close(raw);
}

void InProcessUsb(TSafeWrite& job) {
  TSimConfig config;
  config.program = spLoader;
  TModuleSim sim(config);
  OpenLink(std::make_unique<TExtIntf>(itHID_OLD, std::make_unique<TSimTransport>(sim, itHID_OLD)));
  const std::vector<double> t = bench::BestMicrosPerRound({
                                                              [&] { return job.All(); },
                                                              [&] { return job.Backup(); },
                                                              [&] { return job.Write(); },
                                                              [&] { return job.Check(); },
                                                          },
                                                          kRepeats, kRounds);
  std::printf("in-process simulator, first-generation USB, best of %d\n", kRepeats);
  std::printf(
      "  backup + write + check %8.3f ms | backup %.3f ms, write %.3f ms, check %.3f ms"
      " | the check adds %.0f%% to a write\n",
      Ms(t[0]), Ms(t[1]), Ms(t[2]), Ms(t[3]), 100 * t[3] / t[2]);
  CloseLink();
}

}  // namespace

int main() {
  std::string pattern = (std::filesystem::temp_directory_path() / "karvelm-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) Die("no temporary folder");
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  std::mt19937 generator(1);
  for (uint8_t& byte : image->MemoryImage) byte = static_cast<uint8_t>(generator());
  TSafeWrite job{*image, pattern + "/backups"};

  Udp(job);
  InProcessUsb(job);

  std::error_code ignored;
  std::filesystem::remove_all(pattern, ignored);
  return 0;
}
