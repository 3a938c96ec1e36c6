// karvelm-sim: the module simulator served over UDP.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "base/version.h"
#include "sim/sim_images.h"
#include "sim/sim_options.h"
#include "sim/trace_replay.h"
#include "sim/udp_server.h"

namespace {

karvelm::TSimUdpServer* runningServer = nullptr;

void OnStopSignal(int) {
  if (runningServer) runningServer->RequestStop();
}

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace karvelm;
  TSimCommandLine commandLine;
  std::string error;
  if (!ParseSimCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine, error)) {
    std::fprintf(stderr, "karvelm-sim: %s\nTry 'karvelm-sim --help'.\n", error.c_str());
    return 2;
  }
  if (commandLine.help) {
    std::fputs(SimUsage().c_str(), stdout);
    return 0;
  }
  if (commandLine.version) {
    std::printf("%s\n", VersionLine("karvelm-sim").c_str());
    return 0;
  }
  auto toStderr = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  if (commandLine.verbose) commandLine.server.log = toStderr;
  if (!commandLine.quiet) commandLine.server.logViolation = toStderr;

  try {
    if (!commandLine.updater.imagesFolder.empty() &&
        !WriteSimImages(commandLine.updater.imagesFolder, error)) {
      std::fprintf(stderr, "karvelm-sim: %s\n", error.c_str());
      return 1;
    }
    std::unique_ptr<TTraceReplay> replay;
    if (!commandLine.replayFile.empty()) {
      replay = std::make_unique<TTraceReplay>(TTraceReplay::FromFile(commandLine.replayFile));
      commandLine.server.answer = [&replay, &commandLine](const uint8_t* bytes, int size) {
        const bool followed = replay->Departure().empty();
        auto answers = replay->Answer(bytes, size);
        if (followed && !replay->Departure().empty() && !commandLine.quiet)
          std::fprintf(stderr, "karvelm-sim: replay left the recording at %s\n",
                       replay->Departure().c_str());
        return answers;
      };
      if (!commandLine.quiet)
        std::fprintf(stderr, "karvelm-sim: replaying %s, %zu requests\n",
                     commandLine.replayFile.c_str(), replay->Requests());
    }
    TSimUdpServer server(commandLine.config, commandLine.server);
    server.WithSim([&](TModuleSim& sim) {
      ApplyPeripheralSetup(sim, commandLine.peripherals);
      ApplyUpdaterSetup(sim, commandLine.updater);
    });
    runningServer = &server;
    InstallStopHandlers();
    std::printf("karvelm-sim listening on %s:%u\n", server.Address().c_str(),
                static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    server.Run();
    runningServer = nullptr;
    if (replay) {
      const std::string unfinished = replay->Unfinished();
      if (!unfinished.empty() && !commandLine.quiet)
        std::fprintf(stderr, "karvelm-sim: replay: %s\n", unfinished.c_str());
      if (!commandLine.quiet) std::fprintf(stderr, "karvelm-sim: stopped\n");
      return replay->Departure().empty() && unfinished.empty() ? 0 : 3;
    }
    const size_t violations = server.ViolationCount();
    if (!commandLine.quiet) {
      if (violations > 0)
        std::fprintf(stderr, "karvelm-sim: %zu protocol violations\n", violations);
      std::fprintf(stderr, "karvelm-sim: stopped\n");
    }
    if (violations > 0 && commandLine.config.strict) return 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "karvelm-sim: %s\n", e.what());
    return 1;
  }
  return 0;
}
