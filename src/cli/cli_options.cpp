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

}  // namespace

const char* UsageText() {
  return R"(usage: karvelm [options] COMMAND ... [options]

Module commands:
  identify                     which program answers and both versions
  restart                      restart the module from its bootloader into its firmware
  bus read ADDRESS [COUNT]     read COUNT (1..32) bus words from octal ADDRESS
  bus write ADDRESS VALUE      write one bus word; both octal
  config read 1|2 FILE         read a stored configuration into FILE
  config write 1|2 FILE        write FILE into a stored configuration
  firmware update IMAGE        update the module firmware
Offline commands:
  file new FILE | file show FILE | file page FILE PAGE IMAGE [--format bin|lda|auto]

Options:
  --link udp|usb1|usb2   link kind (default udp)
  --ip ADDRESS           module IPv4 address (default 192.168.0.10)
  --port N               module UDP port (default 30000)
  --local-port N         local UDP port to bind (default 30000)
  --wait SECONDS         how long to wait for the module to answer in the program a command
                         needs (default 10)
  --restart              return the module to its firmware afterwards (not after a failed
                         config write: the module keeps its bootloader for another write)
  --json                 print one JSON object
Exit status: 0 done, 1 the operation failed, 2 usage error.
)";
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
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    if (arg == "--restart") {
      options.restart = true;
      continue;
    }
    if (arg == "--help") {
      options.help = true;
      continue;
    }
    const bool takesValue = arg == "--link" || arg == "--ip" || arg == "--port" ||
                            arg == "--local-port" || arg == "--wait" || arg == "--format";
    if (!takesValue) return fail("unknown option " + arg);
    if (i + 1 >= args.size()) return fail("option " + arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "--link") {
      if (value == "udp")
        options.link = itUDP;
      else if (value == "usb1")
        options.link = itHID_OLD;
      else if (value == "usb2")
        options.link = itHID_NEW;
      else
        return fail("--link must be udp, usb1 or usb2, not '" + value + "'");
    } else if (arg == "--ip") {
      if (!IsIPv4(value)) return fail("--ip needs a dotted IPv4 address, not '" + value + "'");
      options.ip = value;
    } else if (arg == "--port") {
      auto port = ParseInteger(value, 1, 65535);
      if (!port) return fail("--port must be 1..65535, not '" + value + "'");
      options.port = static_cast<uint16_t>(*port);
    } else if (arg == "--local-port") {
      auto port = ParseInteger(value, 0, 65535);
      if (!port) return fail("--local-port must be 0..65535, not '" + value + "'");
      options.localPort = static_cast<uint16_t>(*port);
    } else if (arg == "--wait") {
      char* end = nullptr;
      double seconds = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 3600)
        return fail("--wait must be a number of seconds 0..3600, not '" + value + "'");
      options.waitSeconds = seconds;
    } else {
      if (value != "bin" && value != "lda" && value != "auto")
        return fail("--format must be bin, lda or auto, not '" + value + "'");
      options.format = value;
    }
  }
  return TParseResult{options, {}};
}

}  // namespace karvelm::cli
