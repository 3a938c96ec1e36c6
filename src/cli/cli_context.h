// What every command of the tool gets: the parsed options, its row, the link and the streams.
#pragma once

#include <ostream>
#include <string>

#include "cli/cli_options.h"

namespace karvelm::cli {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct TCommandRow;
class TCliLink;

struct TCliContext {
  const TCliOptions& options;
  std::ostream& out;
  std::ostream& err;
  const TCommandRow* row = nullptr;
  TCliLink* link = nullptr;  // open from Run on, for the module commands

  // Writes the one-line reason to stderr and returns the exit code.
  int Fail(const std::string& reason, int code = kExitFailed) const {
    err << reason << '\n';
    return code;
  }
  // "usage: " and the row's usage line; exit 2.
  int Usage() const;
};

}  // namespace karvelm::cli
