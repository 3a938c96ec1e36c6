// The transfers' progress line: its text, its redrawing, and where it appears: on a terminal
// (a pseudo-terminal here) and never on a pipe or with --quiet.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "cli/progress_line.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using cli::FormatProgress;
using cli::TProgressLine;
using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

struct TFormatCase {
  uint64_t done, total;
  double elapsed;
  const char* text;
};

TEST(ProgressText, PercentBytesRateAndTimeLeft) {
  const TFormatCase cases[] = {
      {0, 135168, 0.0, "config read:   0%  0.0/132.0 KiB  -- B/s  --:-- left"},
      {512, 135168, 0.01, "config read:   0%  0.5/132.0 KiB  -- B/s  --:-- left"},  // too early
      {67584, 135168, 2.0, "config read:  50%  66.0/132.0 KiB  33.0 KiB/s  0:02 left"},
      {135167, 135168, 4.0, "config read:  99%  132.0/132.0 KiB  33.0 KiB/s  0:00 left"},
      {135168, 135168, 4.0, "config read: 100%  132.0/132.0 KiB  33.0 KiB/s  0:00 left"},
      {600, 6000, 3.0, "config read:  10%  600/6000 B  200.0 B/s  0:27 left"},
      {1 << 20, 50 << 20, 1.0, "config read:   2%  1.0/50.0 MiB  1.0 MiB/s  0:49 left"},
      {1000, 4000000, 1.0, "config read:   0%  1.0/3906.2 KiB  1000.0 B/s  1:06:39 left"},
      {0, 0, 1.0, "config read: 100%  0/0 B  -- B/s  --:-- left"},
      // A short transfer still ends with its average rate.
      {4096, 4096, 0.004, "config read: 100%  4096/4096 B  1000.0 KiB/s  0:00 left"},
  };
  for (const TFormatCase& c : cases)
    EXPECT_EQ(FormatProgress("config read", c.done, c.total, c.elapsed), c.text)
        << c.done << " of " << c.total;
}

TEST(ProgressLine, RedrawsInPlaceAtMostEveryTenthOfASecondAndEndsTheLine) {
  std::ostringstream err;
  uint64_t now = 1000;
  {
    TProgressLine line(err, "x", true, false, [&] { return now; });
    line.Update(0, 100);  // drawn: the first
    line.Update(0, 100);  // same percent, no time passed
    now += 40;
    line.Update(1, 100);  // percent changed: drawn
    line.Update(1, 100);
    now += 100;
    line.Update(1, 100);  // a tenth of a second: drawn for the rate
    now += 1;
    line.Update(100, 100);
  }  // the end: last state again and the line break
  const std::string text = err.str();
  std::vector<std::string> draws;
  for (size_t at = 0; (at = text.find('\r', at)) != std::string::npos; ++at)
    draws.push_back(text.substr(at + 1, text.find_first_of("\r\n", at + 1) - at - 1));
  ASSERT_EQ(draws.size(), 5u) << text;
  EXPECT_EQ(draws[0], "x:   0%  0/100 B  -- B/s  --:-- left");
  EXPECT_EQ(draws[1], "x:   1%  1/100 B  -- B/s  --:-- left");
  EXPECT_EQ(draws[2], "x:   1%  1/100 B  7.1 B/s  0:14 left");
  EXPECT_EQ(draws[3], "x: 100%  100/100 B  709.2 B/s  0:00 left");
  EXPECT_EQ(draws[4], draws[3]);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

TEST(ProgressLine, ShorterTextBlanksTheRestAndColourMarksOnlyThePercent) {
  std::ostringstream err;
  uint64_t now = 0;
  TProgressLine line(err, "x", true, false, [&] { return now; });
  line.Update(0, 100000000);
  now += 1000;
  line.Update(1, 100000000);
  now += 1000;
  line.Update(100000000, 100000000);
  line.Finish();
  line.Finish();  // once
  const std::string text = err.str();
  EXPECT_NE(text.find("\rx:   0%  0.0/95.4 MiB  1.0 B/s  27777:46:39 left\r"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\rx: 100%  95.4/95.4 MiB  47.7 MiB/s  0:00 left   \r"), std::string::npos)
      << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

  std::ostringstream coloured;
  TProgressLine colour(coloured, "x", true, true, [] { return uint64_t{0}; });
  colour.Update(50, 100);
  EXPECT_EQ(coloured.str(), "\rx: \033[1;32m 50%\033[0m  50/100 B  -- B/s  --:-- left");

  std::ostringstream off;
  {
    TProgressLine disabled(off, "x", false, true);
    disabled.Update(1, 2);
  }
  EXPECT_TRUE(off.str().empty());
}

// The tool on the slave side of a pseudo-terminal, with the given environment; the test reads
// everything the tool writes there.
struct TPtyResult {
  int exitCode = -1;
  std::string output;
};

TPtyResult RunOnPty(const std::vector<std::string>& args, std::vector<std::string> env) {
  std::vector<std::string> argv = {KARVELM_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> argvp, envp;
  for (std::string& arg : argv) argvp.push_back(arg.data());
  argvp.push_back(nullptr);
  // Backups taken before a write go where the rest of the suite keeps them.
  if (const char* data = getenv("XDG_DATA_HOME"))
    env.push_back(std::string("XDG_DATA_HOME=") + data);
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  int master = -1;
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 120;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    execve(argvp[0], argvp.data(), envp.data());
    _exit(127);
  }
  TPtyResult result;
  if (pid < 0) return result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 100) > 0) {
      char buffer[4096];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) break;  // EIO: the slave side is closed
      result.output.append(buffer, static_cast<size_t>(n));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

struct TWhereCase {
  const char* name;
  std::vector<std::string> extra;  // options added to the command
  std::vector<std::string> env;
  bool shown;
  bool coloured;
};

class ProgressOnATerminal : public ::testing::TestWithParam<TWhereCase> {};

// A configuration read and written back. The read has its line; the write has one for the
// backup before it, its own, and one for the read-back check after it, in that order, each
// ended before the next begins: percent, bytes, rate, time left, redrawn with carriage
// returns, coloured only where allowed.
TEST_P(ProgressOnATerminal, EveryTransferShowsItsLineOnlyWhereAllowed) {
  const TWhereCase& c = GetParam();
  // A little delay per reply, so that the transfers take measurable time.
  TSimProcess sim({"--program", "bootloader", "--delay-ms", "2"});
  TTempFolder dir;
  const std::string file = dir.File("c1.bin");
  const std::vector<std::string> link = {
      "--ip", "127.0.0.1", "--port", std::to_string(sim.Port()), "--local-port", "0"};
  struct TCommandLines {
    std::string command;
    std::vector<std::string> labels;  // in the order drawn
  };
  const TCommandLines commands[] = {{"read", {"config read"}},
                                    {"write", {"backup 1", "config write", "verify 1"}}};
  for (const TCommandLines& command : commands) {
    SCOPED_TRACE(command.command);
    std::vector<std::string> args = link;
    args.insert(args.end(), {"config", command.command, "1", file});
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const TPtyResult r = RunOnPty(args, c.env);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.find("\033[") != std::string::npos, c.coloured) << r.output;
    size_t previousEnd = 0;
    for (const std::string& name : command.labels) {
      SCOPED_TRACE(name);
      const std::string label = '\r' + name + ':';
      const size_t first = r.output.find(label);
      EXPECT_EQ(first != std::string::npos, c.shown) << r.output;
      if (!c.shown || first == std::string::npos) continue;
      EXPECT_GE(first, previousEnd) << "drawn after the line before it ended\n" << r.output;
      // The last drawing: everything moved, with a rate.
      const size_t last = r.output.rfind(label);
      const size_t end = r.output.find('\n', last);
      ASSERT_NE(end, std::string::npos) << "the line is ended\n" << r.output;
      const std::string final = r.output.substr(last, end - last);
      EXPECT_NE(final.find("100%"), std::string::npos) << final;
      EXPECT_NE(final.find("iB/s"), std::string::npos) << final;
      EXPECT_NE(final.find("0:00 left"), std::string::npos) << final;
      previousEnd = end;
    }
    if (!c.shown) continue;
    // The result line comes after the last ended progress line, on a line of its own.
    EXPECT_EQ(r.output.substr(previousEnd + 1, 16), "configuration 1 ") << r.output;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Terminals, ProgressOnATerminal,
    ::testing::Values(TWhereCase{"Colour", {}, {"TERM=xterm-256color"}, true, true},
                      TWhereCase{"NoColor", {}, {"TERM=xterm", "NO_COLOR=1"}, true, false},
                      TWhereCase{"DumbTerminal", {}, {"TERM=dumb"}, true, false},
                      TWhereCase{"NoTerm", {}, {}, true, false},
                      TWhereCase{"Quiet", {"--quiet"}, {"TERM=xterm"}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressOnAPipe, NothingButTheResult) {
  TSimProcess sim({"--program", "bootloader"});
  TTempFolder dir;
  const std::string file = dir.File("c1.bin");
  for (const std::string command : {"read", "write"}) {
    const TRunResult r =
        RunProgram(KARVELM_CLI_PATH, {"--ip", "127.0.0.1", "--port", std::to_string(sim.Port()),
                                      "--local-port", "0", "config", command, "1", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "") << command;
    EXPECT_EQ(r.out.rfind("configuration 1 ", 0), 0u) << r.out;
    // The write's backup and read-back check ran, silently as well.
    if (command == "write") {
      EXPECT_NE(r.out.find(" and read back equal; backup "), std::string::npos) << r.out;
    }
  }
}

}  // namespace
}  // namespace karvelm
