// What every command handler of the tool gets: the parsed options and the two streams.
#pragma once

#include <ostream>
#include <string>

#include "cli/cli_options.h"

namespace karvelm::cli {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct TCliContext {
  const TCliOptions& options;
  std::ostream& out;
  std::ostream& err;

  // Writes the one-line reason to stderr and returns the exit code.
  int Fail(const std::string& reason, int code = kExitFailed) const {
    err << reason << '\n';
    return code;
  }
};

}  // namespace karvelm::cli
