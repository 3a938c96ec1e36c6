// The application shell's two figures.
// Start-up: KarvelMcfg --simulator spawned offscreen with the start-up probe, timed from the
// spawn to the line it prints once its window is shown and painted; the floor is the spawn
// of a program that does nothing, timed the same way.
// Tick: one Timer1Timer of the real main window (offscreen, system clock), with the module
// present on the in-process simulator (each page flag, and the bootloader) and absent (no
// link, a silent or unplugged simulator, a UDP link to a silent loopback peer). The floors:
// one presence probe of the present module, and the designed wait of the UDP probe (three
// 10 ms socket waits) measured on a raw socket.
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_texts.h"
#include "app/sim_links.h"
#include "app/ui/main_form.h"
#include "app/ui/startup_probe.h"
#include "link/commands.h"
#include "link/transactions.h"
#include "loopback_socket.h"
#include "sim/sim_transport.h"

extern char** environ;

using namespace karvelm;
using TSteady = std::chrono::steady_clock;

namespace {

double MsSince(TSteady::time_point start) {
  return std::chrono::duration<double, std::milli>(TSteady::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// ---- Start-up ------------------------------------------------------------------------------

struct TSpawnTiming {
  double toLineMs = -1;    // spawn to the probe line (or to exit when none is printed)
  double reportedMs = -1;  // what the program itself printed
};

// Spawns argv with the extra environment entries and times it until the first line on its
// standard output, or its exit.
TSpawnTiming SpawnAndTime(const std::vector<std::string>& args,
                          const std::vector<std::string>& extraEnv) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
  envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp, argv;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings = args;
  for (auto& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  int out[2];
  if (::pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  pid_t pid = 0;
  const auto start = TSteady::now();
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  TSpawnTiming timing;
  if (spawned != 0) {
    ::close(out[0]);
    return timing;
  }
  std::string line;
  char c = 0;
  while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  timing.toLineMs = MsSince(start);
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  const std::string prefix = kStartupProbeLine;
  if (line.rfind(prefix, 0) == 0) timing.reportedMs = std::atof(line.c_str() + prefix.size());
  return timing;
}

// program: the command to time, by default the built KarvelMcfg --simulator.
void StartUpFigures(const std::vector<std::string>& program) {
  constexpr int kRuns = 9;
  std::vector<double> floorMs, spawnMs, insideMs;
  for (int i = 0; i < kRuns; ++i) {
    floorMs.push_back(SpawnAndTime({"/bin/true"}, {}).toLineMs);
    const TSpawnTiming run = SpawnAndTime(
        program, {std::string(kStartupProbeVariable) + "=1", "QT_QPA_PLATFORM=offscreen"});
    if (run.reportedMs < 0) {
      std::printf("start-up: KarvelMcfg printed no probe line\n");
      return;
    }
    spawnMs.push_back(run.toLineMs);
    insideMs.push_back(run.reportedMs);
  }
  const double floor = Median(floorMs);
  const double total = Median(spawnMs);
  std::string command;
  for (const std::string& word : program) command += (command.empty() ? "" : " ") + word;
  std::printf("start-up of %s, median of %d runs (offscreen):\n", command.c_str(), kRuns);
  std::printf("  spawn to window shown %8.1f ms   (goal < 500 ms; worst %.1f ms)\n", total,
              *std::max_element(spawnMs.begin(), spawnMs.end()));
  std::printf("  main() to window shown %7.1f ms   (the rest is exec and library loading)\n",
              Median(insideMs));
  std::printf("  floor: spawn of /bin/true %4.2f ms   ratio %.0f\n", floor, total / floor);
}

// ---- Ticks ---------------------------------------------------------------------------------

class TSilentDialogs final : public TUserDialogs {
 public:
  bool AskOkCancel(const std::string&, const std::string&) override { return false; }
  void Inform(const std::string& text, const std::string&) override {
    std::printf("  (message: %s)\n", text.c_str());
  }
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest&) override { return {}; }
};

// A main window of its own (never closed, so no settings are written) on the given links.
struct TBenchWindow {
  TBenchWindow(TLinkFactory factory, int kind) {
    TMainFormOptions options;
    options.settingsPath = "/nonexistent/KarvelMcfg.ini";  // the defaults
    options.dialogs = &dialogs;
    options.linkFactory = std::move(factory);
    options.startTimer = false;
    form = std::make_unique<TMainForm>(std::move(options));
    form->Settings().DisableIntfSelection = true;
    form->Settings().intf_type_num = kind;
    form->show();
    form->FormShow();
    QCoreApplication::processEvents();
  }
  ~TBenchWindow() {
    form.reset();
    CloseLink();
  }
  TSilentDialogs dialogs;
  std::unique_ptr<TMainForm> form;
};

struct TTickFigures {
  double firmwareTickUs;  // ticks that probe the firmware
  double loaderTickUs;    // ticks that probe the bootloader
};

// Mean microseconds of the firmware-probe and bootloader-probe ticks over rounds pairs,
// after a few warm-up ticks; the window's paint events are handled between ticks, untimed.
TTickFigures MeasureTicks(TMainForm& form, int rounds) {
  for (int i = 0; i < 4; ++i) form.Timer1Timer();
  double sum[2] = {0, 0};
  int count[2] = {0, 0};
  for (int i = 0; i < 2 * rounds; ++i) {
    const int firmwareProbe = form.Shell().dev_boot ? 1 : 0;
    const auto start = TSteady::now();
    form.Timer1Timer();
    sum[firmwareProbe] += std::chrono::duration<double, std::micro>(TSteady::now() - start).count();
    ++count[firmwareProbe];
    QCoreApplication::processEvents();
  }
  return {sum[1] / std::max(count[1], 1), sum[0] / std::max(count[0], 1)};
}

void PrintTick(const char* what, const TTickFigures& t, double floorUs) {
  std::printf("  %-40s fw-probe tick %9.1f us | loader-probe tick %9.1f us | / floor %7.2f %7.2f\n",
              what, t.firmwareTickUs, t.loaderTickUs, t.firmwareTickUs / floorUs,
              t.loaderTickUs / floorUs);
}

// The designed wait of a probe that gets no answer over UDP: three sends, each followed by a
// 10 ms readiness wait, on a raw socket.
double RawSilentProbeUs(uint16_t silentPort) {
  const int fd = bench::LoopbackSocket();
  bench::ConnectTo(fd, silentPort);
  std::vector<double> runs;
  for (int r = 0; r < 10; ++r) {
    const auto start = TSteady::now();
    for (int attempt = 0; attempt < 3; ++attempt) {
      uint8_t packet[64] = {1};
      ::send(fd, packet, sizeof packet, 0);
      pollfd waiter{fd, POLLIN, 0};
      ::poll(&waiter, 1, 10);
    }
    runs.push_back(std::chrono::duration<double, std::micro>(TSteady::now() - start).count());
  }
  ::close(fd);
  return Median(runs);
}

void TickFigures() {
  constexpr int kRounds = 200;
  std::printf(
      "one Timer1Timer of the main window (offscreen, real clock), mean of %d ticks each:\n",
      kRounds);

  // Module present: the simulator on the Ethernet kind, firmware running.
  TSimulatorLinks links;
  double probeUs = 0;
  {
    TBenchWindow window(links.Factory(), itUDP);
    std::vector<double> probes;
    for (int i = 0; i < 2000; ++i) {
      const auto start = TSteady::now();
      CheckModule(kFirmwareIdNew, kTimeoutProbe);
      probes.push_back(std::chrono::duration<double, std::micro>(TSteady::now() - start).count());
    }
    probeUs = Median(probes);
    std::printf("  floor: one presence probe (CheckModule) of the present module %.2f us\n",
                probeUs);
    TSupervisor& shell = window.form->Shell();
    const struct {
      const char* name;
      bool TSupervisor::*flag;
    } pages[] = {{"present, firmware, no data page", nullptr},
                 {"present, firmware, debug_screen", &TSupervisor::debug_screen},
                 {"present, firmware, terminal_mode", &TSupervisor::terminal_mode},
                 {"present, firmware, perif_bus_screen", &TSupervisor::perif_bus_screen},
                 {"present, firmware, in_out_screen", &TSupervisor::in_out_screen},
                 {"present, firmware, dac_screen", &TSupervisor::dac_screen},
                 {"present, firmware, bsd_screen", &TSupervisor::bsd_screen}};
    for (const auto& page : pages) {
      if (page.flag) shell.*page.flag = true;
      PrintTick(page.name, MeasureTicks(*window.form, kRounds), probeUs);
      if (page.flag) shell.*page.flag = false;
    }
    links.Sim().SetProgram(spLoader);
    PrintTick("present, bootloader, no request", MeasureTicks(*window.form, kRounds), probeUs);
    links.Sim().SetProgram(spFirmware);
  }

  // Module absent. The floor of the rows that talk to nobody over no medium is the present
  // module's probe; of the Ethernet rows, whose probe waits for an answer by design, the
  // designed wait on a raw socket.
  const int silent = bench::LoopbackSocket();
  const uint16_t silentPort = bench::PortOf(silent);
  const double waitUs = RawSilentProbeUs(silentPort);
  std::printf(
      "  floor: the UDP probe's designed wait, 3 x (send + 10 ms poll) on a raw socket %.0f us\n",
      waitUs);
  {
    TBenchWindow window(links.Factory(), -1);
    PrintTick("absent: no link selected", MeasureTicks(*window.form, kRounds), probeUs);
  }
  const char* kindNames[] = {"USB v1", "USB v2", "Ethernet"};
  for (TIntfType kind : {itHID_OLD, itHID_NEW, itUDP}) {
    TBenchWindow window(links.Factory(), kind);
    static_cast<TSimTransport&>(ActiveLink->Transport()).SetPlugged(false);
    const std::string name = std::string("absent: simulator unplugged, ") + kindNames[kind];
    PrintTick(name.c_str(), MeasureTicks(*window.form, kRounds), probeUs);
  }
  links.Sim().Faults().silentAfter = 0;
  for (TIntfType kind : {itHID_OLD, itHID_NEW, itUDP}) {
    TBenchWindow window(links.Factory(), kind);
    const std::string name = std::string("absent: simulator silent, ") + kindNames[kind];
    PrintTick(name.c_str(), MeasureTicks(*window.form, kind == itUDP ? 20 : kRounds),
              kind == itUDP ? waitUs : probeUs);
  }
  links.Sim().Faults().silentAfter = kSimAlways;
  {
    // A real UDP link to a loopback peer that never answers.
    TBenchWindow window(
        [silentPort](TIntfType kind, const std::string&) {
          return std::make_unique<TExtIntf>(kind, "127.0.0.1", silentPort, 0);
        },
        itUDP);
    PrintTick("absent: UDP link, silent loopback peer", MeasureTicks(*window.form, 20), waitUs);
  }
  ::close(silent);
}

}  // namespace

// bench_app_shell [--program PATH]: with --program, only the start-up of PATH run without
// arguments, as its desktop entry starts it (for example from an unpacked package).
int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--program") == 0) {
    StartUpFigures({argv[2]});
    return 0;
  }
  StartUpFigures({KARVELM_MCFG_PATH, "--simulator"});
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TickFigures();
  return 0;
}
