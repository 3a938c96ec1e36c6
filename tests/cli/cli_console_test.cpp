// karvelm screen, keys and terminal as a user runs them, against karvelm-sim on loopback;
// terminal under a pseudo-terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "child_process.h"
#include "udp_test_ports.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

std::vector<std::string> LinkArgs(int port) {
  return {"--ip", "127.0.0.1", "--port", std::to_string(port), "--local-port", "0"};
}

TRunResult Karvelm(int port, std::vector<std::string> args, double timeout = 30) {
  std::vector<std::string> full = LinkArgs(port);
  full.insert(full.end(), args.begin(), args.end());
  return RunProgram(KARVELM_CLI_PATH, full, timeout);
}

// text and spaces up to 32 characters (not bytes: the Cyrillic takes two each).
std::string Padded(std::string text) {
  size_t characters = 0;
  for (char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return text + std::string(32 - characters, ' ');
}

// The screen's lines as screen --json gives them.
std::vector<std::string> ScreenLines(int port) {
  const TRunResult r = Karvelm(port, {"screen", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  if (r.exitCode != 0) return {};
  return nlohmann::json::parse(r.out)["lines"].get<std::vector<std::string>>();
}

TEST(CliConsole, KeysThenScreenShowsTheMonitorsEcho) {
  TSimProcess sim;
  TRunResult r = Karvelm(sim.Port(), {"keys", "Run/7-3\n"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "8 keys sent\n");
  const std::vector<std::string> lines = ScreenLines(sim.Port());
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], Padded("МОДУЛЬ KARVELM"));
  EXPECT_EQ(lines[1], Padded("МОНИТОР КОНСОЛИ"));
  // "/" goes out as 0xAF: the monitor drops bit 7.
  EXPECT_EQ(lines[2], Padded("> RUN/7-3"));
  EXPECT_EQ(lines[3], Padded("> "));

  r = Karvelm(sim.Port(), {"screen"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), Padded("МОДУЛЬ KARVELM"));
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 16);
}

// Nothing may reach the module: the link is not even opened.
TEST(CliConsole, RefusedBeforeTheLinkOpens) {
  struct Case {
    std::vector<std::string> command;
    std::string message;
  } cases[] = {
      {{"keys", "ab c"}, "keys: \" \" at offset 2 is not a key of the console keyboard\n"},
      {{"keys", "a{F11}"}, "keys: \"{\" at offset 1 is not a key of the console keyboard\n"},
      {{"keys", "ЖЖ"}, "keys: \"Ж\" (U+0416) at offset 0 is not a key of the console keyboard\n"},
      {{"keys", "a\tb"}, "keys: U+0009 at offset 1 is not a key of the console keyboard\n"},
      {{"terminal"}, "terminal needs a terminal on stdin and stdout\n"},
  };
  testing::TPeerSocket module;  // stands in for the module; must hear nothing
  for (const Case& c : cases) {
    const TRunResult r = Karvelm(module.Port(), c.command);
    EXPECT_EQ(r.exitCode, 2) << c.command.back();
    EXPECT_EQ(r.err, c.message);
    EXPECT_TRUE(r.out.empty());
  }
  uint8_t buffer[64];
  EXPECT_LT(module.Receive(buffer, sizeof buffer), 0) << "a datagram reached the module";
}

TEST(CliConsole, OptionsOfTheConsoleCommands) {
  TRunResult r = RunProgram(KARVELM_CLI_PATH, {"screen", "--interval", "2"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--interval does not apply to screen"), std::string::npos) << r.err;
  r = RunProgram(KARVELM_CLI_PATH, {"terminal", "--interval", "0"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--interval must be"), std::string::npos) << r.err;
  r = RunProgram(KARVELM_CLI_PATH, {"keys"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "usage: keys TEXT\n");
}

// karvelm terminal on the slave side of a pseudo-terminal; the test holds the master.
class TPtyRun {
 public:
  explicit TPtyRun(const std::vector<std::string>& args) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) throw std::runtime_error("pty");
    EXPECT_EQ(tcgetattr(slave_, &before_), 0);
    std::vector<std::string> argv = {KARVELM_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvp;
    for (std::string& arg : argv) argvp.push_back(arg.data());
    argvp.push_back(nullptr);
    std::string term = "TERM=xterm", lang = "LANG=C.UTF-8";
    char* envp[] = {term.data(), lang.data(), nullptr};
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      ioctl(slave_, TIOCSCTTY, 0);
      dup2(slave_, 0);
      dup2(slave_, 1);
      dup2(slave_, 2);
      close(master_);
      close(slave_);
      execve(argvp[0], argvp.data(), envp);
      _exit(127);
    }
  }
  ~TPtyRun() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(master_);
    close(slave_);
  }

  // Reads what the program draws until done says so over all of it, at most seconds.
  bool ReadUntil(const std::function<bool(const std::string&)>& done, double seconds = 10) {
    const auto deadline = Now() + seconds;
    while (!done(output_)) {
      const double left = deadline - Now();
      if (left <= 0) return false;
      Drain(static_cast<int>(left * 1000) + 1);
    }
    return true;
  }
  bool Shows(const std::string& text, double seconds = 10) {
    return ReadUntil([&](const std::string& all) { return all.find(text) != std::string::npos; },
                     seconds);
  }
  void Type(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Signal(int signal) { kill(pid_, signal); }
  // The exit code, -1 when it did not end in time or ended by a signal.
  int Wait(double seconds = 10) {
    const auto deadline = Now() + seconds;
    while (Now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        Drain(0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      Drain(20);
    }
    return -1;
  }
  termios Now_termios() const {
    termios now{};
    tcgetattr(slave_, &now);
    return now;
  }
  const termios& Before() const { return before_; }
  const std::string& Output() const { return output_; }
  size_t Size() const { return output_.size(); }

 private:
  static double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void Drain(int waitMs) {
    pollfd fd{master_, POLLIN, 0};
    while (poll(&fd, 1, waitMs) > 0) {
      char buffer[4096];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return;
      output_.append(buffer, static_cast<size_t>(n));
      waitMs = 0;
    }
  }

  int master_ = -1, slave_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  termios before_{};
  std::string output_;
};

bool SameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

constexpr const char* kAlternateScreenOn = "\x1b[?1049h";
constexpr const char* kAlternateScreenOff = "\x1b[?1049l";

TEST(CliConsole, TerminalTypesAKeySeesItEchoedAndQuitsWithCtrlBracket) {
  TSimProcess sim;
  std::vector<std::string> args = LinkArgs(sim.Port());
  args.insert(args.end(), {"terminal", "--interval", "0.2"});
  TPtyRun run(args);
  // The banner inside the frame, and the status line with the link and the refresh.
  ASSERT_TRUE(run.Shows("KARVELM")) << run.Output();
  ASSERT_TRUE(run.Shows("udp 127.0.0.1:" + std::to_string(sim.Port()))) << run.Output();
  EXPECT_TRUE(run.Shows("refresh 0.2 s"));
  EXPECT_NE(run.Output().find(kAlternateScreenOn), std::string::npos);
  EXPECT_FALSE(SameSettings(run.Now_termios(), run.Before())) << "no raw mode while running";

  const size_t typedAt = run.Size();
  run.Type("q");
  // The key reaches the module: its monitor echoes it...
  std::vector<std::string> lines;
  for (int i = 0; i < 50; ++i) {
    lines = ScreenLines(sim.Port());
    if (lines.size() == 16 && lines[2] == Padded("> Q")) break;
    usleep(100 * 1000);
  }
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[2], Padded("> Q"));
  // ...and the next refresh draws the echo (octal 121 is "Q").
  EXPECT_TRUE(run.Shows("key 121 sent"));
  EXPECT_TRUE(run.ReadUntil([&](const std::string& all) {
    return all.find('Q', typedAt) != std::string::npos;
  })) << run.Output().substr(typedAt);

  run.Type("\x1d");  // Ctrl-]
  EXPECT_EQ(run.Wait(), 0) << run.Output();
  EXPECT_TRUE(SameSettings(run.Now_termios(), run.Before()));
  const std::string& all = run.Output();
  EXPECT_NE(all.rfind(kAlternateScreenOff), std::string::npos);
  EXPECT_GT(all.rfind(kAlternateScreenOff), all.rfind(kAlternateScreenOn));
}

TEST(CliConsole, TerminalRestoresTheTerminalOnSignals) {
  struct Case {
    int signal;
    int exitCode;
  } cases[] = {{SIGINT, 0}, {SIGTERM, 1}, {SIGHUP, 1}};
  TSimProcess sim;
  for (const Case& c : cases) {
    std::vector<std::string> args = LinkArgs(sim.Port());
    args.push_back("terminal");
    TPtyRun run(args);
    ASSERT_TRUE(run.Shows("Ctrl-] quits")) << run.Output();
    run.Signal(c.signal);
    EXPECT_EQ(run.Wait(), c.exitCode) << strsignal(c.signal) << run.Output();
    EXPECT_TRUE(SameSettings(run.Now_termios(), run.Before())) << strsignal(c.signal);
    EXPECT_GT(run.Output().rfind(kAlternateScreenOff), run.Output().rfind(kAlternateScreenOn))
        << strsignal(c.signal);
  }
}

TEST(CliConsole, TerminalWithoutTheFirmwareEndsAtOnce) {
  testing::TPeerSocket silent;
  std::vector<std::string> args = LinkArgs(silent.Port());
  args.push_back("terminal");
  TPtyRun run(args);
  EXPECT_EQ(run.Wait(), 1);
  EXPECT_NE(run.Output().find("the firmware does not answer"), std::string::npos);
  EXPECT_TRUE(SameSettings(run.Now_termios(), run.Before()));
}

}  // namespace
}  // namespace karvelm
