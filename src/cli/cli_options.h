// The command line of the karvelm tool: options may stand before or after the command words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/intf_type.h"

namespace karvelm::cli {

// One bit per option, so that a command row can say which it accepts.
enum TOptionBit : unsigned {
  obLink = 1u << 0,
  obIp = 1u << 1,
  obPort = 1u << 2,
  obLocalPort = 1u << 3,
  obWait = 1u << 4,
  obRestart = 1u << 5,
  obJson = 1u << 6,
  obFormat = 1u << 7,
  obHelp = 1u << 8,
  obInterval = 1u << 9,
  obPair = 1u << 10,  // output pair of the board tests
  obLow = 1u << 11,
  obHigh = 1u << 12,
  // The count test's channels.
  obNormal = 1u << 13,
  obAdditional = 1u << 14,
  // Sends an update image that its name marks for the other kind of target.
  obForce = 1u << 15,
  // Global: no progress line.
  obQuiet = 1u << 16,
  // The service report and the live-value recorder.
  obOut = 1u << 17,
  obLoopback = 1u << 18,
  obCount = 1u << 19,  // report: a flag; watch: the number of rows
  obCsv = 1u << 20,
  // Global: the packet trace file.
  obTrace = 1u << 21,
  obVersion = 1u << 22,
  // Safety net of the overwriting commands.
  obNoBackup = 1u << 23,
  obNoVerify = 1u << 24,
};

// Where the module is. Every command takes them, offline ones too, so that one wrapper can
// hand them to every command it runs.
constexpr unsigned kLinkOptions = obLink | obIp | obPort | obLocalPort | obTrace;

struct TOptionInfo {
  const char* name;  // "--link"
  TOptionBit bit;
  const char* valueName;  // nullptr: a flag
  const char* help;       // may hold line breaks
};

// Every option, in the order --help lists them.
const std::vector<TOptionInfo>& Options();

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
  bool quiet = false;  // --quiet: no progress line on stderr
  bool version = false;
  double intervalSeconds = 1;  // terminal refresh
  int pair = 1;     // output pair of the board tests: 0 167624-167626, 1 167630-167632, 2 ...
  std::string low;  // input words of the loop-back test, octal as given; empty: not tested
  std::string high;
  std::string normal;  // count test channel address texts as given; the command checks them
  std::string additional;
  bool force = false;              // an image of the other kind is sent all the same
  std::string out;                 // report: the folder
  bool loopback = false;           // report: run the loop-back test
  std::optional<long> count;       // watch: rows to record (--count N); report: --count alone
  std::string csv;                 // watch: the file
  std::string trace;               // file of the packet trace; empty: none
  bool noBackup = false;           // overwrite without reading a backup first
  bool noVerify = false;           // no read-back check after a configuration write
  unsigned given = 0;              // TOptionBit of every option on the line
  std::vector<std::string> words;  // the command and its arguments
};

struct TParseResult {
  std::optional<TCliOptions> options;
  std::string error;  // one line, when options is empty
};

// Reads every option and checks its value; which options the command accepts is the
// command row's business.
TParseResult ParseCommandLine(const std::vector<std::string>& args);

}  // namespace karvelm::cli
