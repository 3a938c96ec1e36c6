// The command line of the karvelm tool: options may stand before or after the command words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/intf_type.h"

namespace karvelm::cli {

struct TCliOptions {
  TIntfType link = itUDP;
  std::string ip = kDefaultModuleAddress;
  uint16_t port = kDefaultModulePort;
  uint16_t localPort = kDefaultLocalPort;
  double waitSeconds = 10;
  bool restart = false;
  bool json = false;
  std::string format = "auto";
  bool help = false;
  std::vector<std::string> words;  // the command and its arguments
};

struct TParseResult {
  std::optional<TCliOptions> options;
  std::string error;  // one line, when options is empty
};

TParseResult ParseCommandLine(const std::vector<std::string>& args);

// The usage text printed for --help.
const char* UsageText();

}  // namespace karvelm::cli
