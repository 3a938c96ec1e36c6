// The karvelm tool as a function, so tests can run it without a process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace karvelm::cli {

// Runs one command line (without the program name); returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace karvelm::cli
