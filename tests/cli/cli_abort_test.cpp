// Ctrl-C or SIGTERM during the tests that drive the module's outputs, against karvelm-sim as a
// child process: the tool stops at the next step, leaves the outputs as the test's normal end
// does, and exits 130.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <vector>

#include "child_process.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

std::vector<std::string> At(const TSimProcess& sim, std::vector<std::string> args) {
  std::vector<std::string> full = {
      "--ip", "127.0.0.1", "--port", std::to_string(sim.Port()), "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return full;
}

struct TAbortCase {
  const char* name;
  std::vector<std::string> simArgs;
  std::vector<std::string> args;
  int signal;
  double after;                   // seconds before the signal
  double fullSeconds;             // what the test takes when not stopped
  std::vector<const char*> zero;  // output words that must read 0 afterwards
};

class CliAbort : public ::testing::TestWithParam<TAbortCase> {};

TEST_P(CliAbort, OutputsLeftZeroAndExit130) {
  const TAbortCase& c = GetParam();
  TSimProcess sim(c.simArgs);
  const TRunResult r = RunProgram(KARVELM_CLI_PATH, At(sim, c.args), 30, c.after, c.signal);
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_TRUE(r.out.empty()) << "no result for a test that was stopped: " << r.out;
  EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
  EXPECT_LT(r.seconds, c.fullSeconds) << "stopped early";
  for (const char* word : c.zero) {
    const TRunResult read = RunProgram(KARVELM_CLI_PATH, At(sim, {"bus", "read", word}));
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, std::string(word) + ": 0\n");
  }
}

// The loop-back test takes about 4.8 s a word, two thirds of it with a non-zero output word.
// The count test is slowed by the simulator's reply delay so that the signal lands inside it.
INSTANTIATE_TEST_SUITE_P(Signals, CliAbort,
                         ::testing::Values(TAbortCase{"LoopbackCtrlC",
                                                      {},
                                                      {"test", "loopback", "--low", "167602",
                                                       "--high", "167604"},
                                                      SIGINT,
                                                      1.0,
                                                      9.6,
                                                      {"167630", "167632"}},
                                           TAbortCase{"LoopbackTerm",
                                                      {},
                                                      {"test", "loopback", "--high", "167604"},
                                                      SIGTERM,
                                                      0.7,
                                                      4.8,
                                                      {"167632"}},
                                           TAbortCase{"CountCtrlC",
                                                      {"--delay-ms", "10"},
                                                      {"test", "count", "--normal", "167700"},
                                                      SIGINT,
                                                      1.0,
                                                      3.5,
                                                      {"167630"}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvelm
