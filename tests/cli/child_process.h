// Runs the tool and the simulator as real child processes, with a bounded wait.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <string>
#include <vector>

namespace karvelm::testing {

struct TRunResult {
  int exitCode = -1;  // -1: did not end in time (it was killed)
  std::string out;
  std::string err;
  double seconds = 0;
};

// Runs program with args to its end, at most timeoutSeconds; interruptAfterSeconds > 0 sends
// it interruptSignal (SIGINT: Ctrl-C) once that much time has passed.
TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      double timeoutSeconds = 30, double interruptAfterSeconds = 0,
                      int interruptSignal = SIGINT);

// karvelm-sim on 127.0.0.1 and a port of the kernel's choice, stopped by the destructor,
// which expects it to end cleanly: a strict simulator ends with status 3 after any protocol
// violation. A test that provokes one stops it itself and checks the status.
class TSimProcess {
 public:
  // errFile: where its stderr goes; empty: nowhere.
  explicit TSimProcess(const std::vector<std::string>& extraArgs = {},
                       const std::string& errFile = "");
  ~TSimProcess();
  TSimProcess(const TSimProcess&) = delete;
  TSimProcess& operator=(const TSimProcess&) = delete;
  int Port() const { return port_; }
  // Ends the simulator and returns its exit status (-1: it did not exit normally); later
  // calls return the same.
  int Stop();

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int port_ = 0;
  int exitCode_ = -1;
};

}  // namespace karvelm::testing
