#include "cli/cli_options.h"

#include <arpa/inet.h>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace karvelm::cli {

namespace {

std::optional<long> ParseInteger(const std::string& text, long low, long high) {
  long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    return std::nullopt;
  return value;
}

bool IsIPv4(const std::string& text) {
  in_addr address{};
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

const TOptionInfo* FindOption(const std::string& name) {
  for (const TOptionInfo& option : Options())
    if (name == option.name) return &option;
  return nullptr;
}

// Stores the value of an option that takes one; the reason when the value is refused.
std::optional<std::string> SetValue(TCliOptions& options, TOptionBit bit,
                                    const std::string& value) {
  switch (bit) {
    case obLink:
      if (value == "udp")
        options.link = itUDP;
      else if (value == "usb1")
        options.link = itHID_OLD;
      else if (value == "usb2")
        options.link = itHID_NEW;
      else
        return "--link must be udp, usb1 or usb2, not '" + value + "'";
      return std::nullopt;
    case obIp:
      if (!IsIPv4(value)) return "--ip needs a dotted IPv4 address, not '" + value + "'";
      options.ip = value;
      return std::nullopt;
    case obPort: {
      auto port = ParseInteger(value, 1, 65535);
      if (!port) return "--port must be 1..65535, not '" + value + "'";
      options.port = static_cast<uint16_t>(*port);
      return std::nullopt;
    }
    case obLocalPort: {
      auto port = ParseInteger(value, 0, 65535);
      if (!port) return "--local-port must be 0..65535, not '" + value + "'";
      options.localPort = static_cast<uint16_t>(*port);
      return std::nullopt;
    }
    case obWait: {
      char* end = nullptr;
      double seconds = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 3600)
        return "--wait must be a number of seconds 0..3600, not '" + value + "'";
      options.waitSeconds = seconds;
      return std::nullopt;
    }
    case obInterval: {
      char* end = nullptr;
      double seconds = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0.1 ||
          seconds > 3600)
        return "--interval must be a number of seconds 0.1..3600, not '" + value + "'";
      options.intervalSeconds = seconds;
      return std::nullopt;
    }
    case obFormat:
      if (value != "bin" && value != "lda" && value != "auto")
        return "--format must be bin, lda or auto, not '" + value + "'";
      options.format = value;
      return std::nullopt;
    case obPair: {
      auto pair = ParseInteger(value, 0, 2);
      if (!pair) return "--pair must be 0, 1 or 2, not '" + value + "'";
      options.pair = static_cast<int>(*pair);
      return std::nullopt;
    }
    case obLow:
      options.low = value;
      return std::nullopt;
    case obHigh:
      options.high = value;
      return std::nullopt;
    case obNormal:
      options.normal = value;
      return std::nullopt;
    case obAdditional:
      options.additional = value;
      return std::nullopt;
    case obOut:
      if (value.empty()) return std::string("--out needs a folder");
      options.out = value;
      return std::nullopt;
    case obCsv:
      if (value.empty()) return std::string("--csv needs a file");
      options.csv = value;
      return std::nullopt;
    case obTrace:
      if (value.empty()) return "--trace needs a file name";
      options.trace = value;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

const std::vector<TOptionInfo>& Options() {
  static const std::vector<TOptionInfo> options = {
      {"--link", obLink, "udp|usb1|usb2", "link kind (default udp)"},
      {"--ip", obIp, "ADDRESS", "module IPv4 address (default 192.168.0.10)"},
      {"--port", obPort, "N", "module UDP port (default 30000)"},
      {"--local-port", obLocalPort, "N", "local UDP port to bind (default 30000)"},
      {"--wait", obWait, "SECONDS",
       "how long to wait for the module to answer in the program a command\n"
       "needs (default 10)"},
      {"--restart", obRestart, nullptr,
       "return the module to its firmware afterwards (not after a failed\n"
       "config write: the module keeps its bootloader for another write)"},
      {"--json", obJson, nullptr, "print one JSON object"},
      {"--format", obFormat, "bin|lda|auto", "how file page reads IMAGE (default auto)"},
      {"--interval", obInterval, "SECONDS",
       "how often terminal redraws the screen, or watch records a row\n(default 1)"},
      {"--pair", obPair, "P",
       "output pair of the board tests: 0 167624-167626, 1 167630-167632\n"
       "(default), 2 167634-167636"},
      {"--low", obLow, "INPUT", "input word (octal) tested against the low output word"},
      {"--high", obHigh, "INPUT", "input word (octal) tested against the high output word"},
      {"--normal", obNormal, "CHANNEL",
       "test count: channel (167700, 167704, ... 167734) on the normal wiring"},
      {"--additional", obAdditional, "CHANNEL", "test count: channel on the additional wiring"},
      {"--force", obForce, nullptr,
       "firmware/accessory update: send an image named for the other kind\n"
       "of target (*.upm to the module, *.upd to an accessory)"},
      {"--quiet", obQuiet, nullptr, "no progress line on stderr (any command)"},
      {"--out", obOut, "FOLDER", "report: the folder for report.json and report.html"},
      {"--loopback", obLoopback, nullptr,
       "report: run the loop-back test (with --pair, --low, --high)"},
      {"--count", obCount, "[N]",
       "watch: the number of rows to record; report (without N): run\n"
       "the count test (with --pair, --normal, --additional)"},
      {"--csv", obCsv, "FILE", "watch: the CSV file to write"},
      {"--trace", obTrace, "FILE",
       "write every packet to and from the module to FILE as JSON Lines"},
      {"--no-backup", obNoBackup, nullptr,
       "config write, firmware update: go on without the backup of what they\n"
       "overwrite"},
      {"--no-verify", obNoVerify, nullptr, "config write: no read-back check afterwards"},
      {"--help", obHelp, nullptr, "this text"},
      {"--version", obVersion, nullptr, "the program version"},
  };
  return options;
}

TParseResult ParseCommandLine(const std::vector<std::string>& args) {
  TCliOptions options;
  auto fail = [](std::string text) { return TParseResult{std::nullopt, std::move(text)}; };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      options.words.push_back(arg);
      continue;
    }
    const TOptionInfo* option = FindOption(arg);
    if (!option) return fail("unknown option " + arg);
    options.given |= option->bit;
    // --count takes a number only when one follows: report's --count is a plain switch.
    if (option->bit == obCount) {
      if (i + 1 < args.size() && !args[i + 1].empty() &&
          args[i + 1].find_first_not_of("0123456789") == std::string::npos) {
        auto count = ParseInteger(args[++i], 1, 1000000);
        if (!count) return fail("--count must be 1..1000000, not '" + args[i] + "'");
        options.count = *count;
      }
      continue;
    }
    if (!option->valueName) {
      if (option->bit == obJson) options.json = true;
      if (option->bit == obRestart) options.restart = true;
      if (option->bit == obHelp) options.help = true;
      if (option->bit == obForce) options.force = true;
      if (option->bit == obQuiet) options.quiet = true;
      if (option->bit == obLoopback) options.loopback = true;
      if (option->bit == obVersion) options.version = true;
      if (option->bit == obNoBackup) options.noBackup = true;
      if (option->bit == obNoVerify) options.noVerify = true;
      continue;
    }
    if (i + 1 >= args.size()) return fail("option " + arg + " needs a value");
    if (auto error = SetValue(options, option->bit, args[++i])) return fail(*error);
  }
  return TParseResult{options, {}};
}

}  // namespace karvelm::cli
