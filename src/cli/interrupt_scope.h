// Ctrl-C and SIGTERM during a command that drives the module's outputs: the handler only
// raises a flag, and the command's loop stops at its next step and leaves the outputs safe.
#pragma once

#include <signal.h>

namespace karvelm::cli {

// The shells' status for a command ended by a signal it handled (128 + SIGINT).
constexpr int kExitInterrupted = 130;

// Catches SIGINT and SIGTERM for as long as it lives; the previous handlers come back after.
class TInterruptScope {
 public:
  TInterruptScope();
  ~TInterruptScope();
  TInterruptScope(const TInterruptScope&) = delete;
  TInterruptScope& operator=(const TInterruptScope&) = delete;

  // A signal arrived since the scope began.
  static bool Interrupted();

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

}  // namespace karvelm::cli
