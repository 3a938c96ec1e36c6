#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "link/hid_backend.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Bound up front as the desktop program does; a failure shows when a USB link is opened.
  karvelm::BindHidLibrary();
  const int status = karvelm::cli::RunCli(args, std::cout, std::cerr);
  karvelm::ReleaseHidLibrary();
  return status;
}
