#include "cli/interrupt_scope.h"

namespace karvelm::cli {

namespace {

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
  interrupted = 1;
}

}  // namespace

TInterruptScope::TInterruptScope() {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
}

TInterruptScope::~TInterruptScope() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool TInterruptScope::Interrupted() {
  return interrupted != 0;
}

}  // namespace karvelm::cli
