// The tool run in this process: its exit code and what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"

namespace karvelm::testing {

struct TCliRun {
  int code = -1;
  std::string out, err;
};

inline TCliRun RunCliInProcess(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  TCliRun run;
  run.code = cli::RunCli(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace karvelm::testing
