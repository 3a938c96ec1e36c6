#include "sim/sim_options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace karvelm {

namespace {

bool ParseUnsigned(const std::string& text, int base, uint64_t max, uint64_t& value) {
  std::string digits = text;
  if (base == 16 && digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits = digits.substr(2);
  if (digits.empty()) return false;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value, base);
  return ec == std::errc() && ptr == end && value <= max;
}

// A counter channel by its octal address 167700, 167704, ... 167734.
bool ParseSensorChannel(const std::string& text, int& channel) {
  uint64_t address = 0;
  if (!ParseUnsigned(text, 8, 0xFFFF, address) || address < kSimSensorBase ||
      (address - kSimSensorBase) % 4 != 0 || address >= kSimSensorBase + 4u * kSimSensorChannels)
    return false;
  channel = static_cast<int>((address - kSimSensorBase) / 4);
  return true;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
    items.push_back(text.substr(start, comma - start));
  items.push_back(text.substr(start));
  return items;
}

// "none", or OUTPUT=CHANNEL pairs of octal addresses separated by commas.
bool ParseHarnesses(const std::string& text, std::vector<TSimHarness>& harnesses) {
  std::vector<TSimHarness> parsed;
  if (text != "none") {
    for (const std::string& item : SplitList(text)) {
      const size_t eq = item.find('=');
      uint64_t output = 0;
      TSimHarness harness;
      if (eq == std::string::npos || !ParseUnsigned(item.substr(0, eq), 8, 0xFFFF, output) ||
          output < kSimOutputBase || (output & 1) ||
          output >= kSimOutputBase + 2u * kSimOutputWords ||
          !ParseSensorChannel(item.substr(eq + 1), harness.channel))
        return false;
      harness.output = static_cast<uint16_t>(output);
      parsed.push_back(harness);
    }
  }
  harnesses = std::move(parsed);
  return true;
}

// Eight signed decimal values separated by commas.
bool ParseCorrections(const std::string& text, std::array<int32_t, kSimDacChannels>& values) {
  const std::vector<std::string> items = SplitList(text);
  if (items.size() != values.size()) return false;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    const char* end = item.data() + item.size();
    auto [ptr, ec] = std::from_chars(item.data(), end, values[i]);
    if (item.empty() || ec != std::errc() || ptr != end) return false;
  }
  return true;
}

}  // namespace

bool ParseSimCommandLine(const std::vector<std::string>& args, TSimCommandLine& out,
                         std::string& error) {
  TSimFaults& faults = out.config.faults;
  // Options that take a value; each returns false when the value is bad.
  using TSetter = std::function<bool(const std::string&)>;
  auto count = [](int& field, uint64_t min) {
    return [&field, min](const std::string& v) {
      uint64_t n = 0;
      if (!ParseUnsigned(v, 10, INT32_MAX, n) || n < min) return false;
      field = static_cast<int>(n);
      return true;
    };
  };
  auto version = [](uint32_t& field) {
    return [&field](const std::string& v) {
      uint64_t n = 0;
      if (!ParseUnsigned(v, 16, UINT32_MAX, n)) return false;
      field = static_cast<uint32_t>(n);
      return true;
    };
  };
  const std::map<std::string, TSetter> valued = {
      {"--bind",
       [&](const std::string& v) {
         out.server.bindAddress = v;
         return !v.empty();
       }},
      {"--port",
       [&](const std::string& v) {
         uint64_t n = 0;
         if (!ParseUnsigned(v, 10, 65535, n)) return false;
         out.server.port = static_cast<uint16_t>(n);
         return true;
       }},
      {"--program",
       [&](const std::string& v) {
         if (v == "firmware")
           out.config.program = spFirmware;
         else if (v == "bootloader")
           out.config.program = spLoader;
         else
           return false;
         return true;
       }},
      {"--generation",
       [&](const std::string& v) {
         if (v == "old")
           out.config.firmwareId = FirmwareIdFor(itHID_OLD);
         else if (v == "new")
           out.config.firmwareId = FirmwareIdFor(itUDP);
         else
           return false;
         return true;
       }},
      {"--firmware-version", version(out.config.firmwareVersion)},
      {"--bootloader-version", version(out.config.loaderVersion)},
      {"--restart-ms", count(out.config.restartMs, 0)},
      {"--drop", count(faults.dropNext, 0)},
      {"--drop-every", count(faults.dropEvery, 1)},
      {"--delay-ms", count(faults.delayMs, 0)},
      {"--status-ff", count(faults.statusFF, 0)},
      {"--silent-after", count(faults.silentAfter, 0)},
      {"--fail-read",
       [&](const std::string& v) {
         uint64_t n = 0;
         if (!ParseUnsigned(v, 16, UINT32_MAX, n) || n == 0) return false;
         faults.failReadAt = static_cast<uint32_t>(n);
         return true;
       }},
      {"--lose-write-ack", count(faults.loseDataAckAt, 1)},
      {"--dac-channels",
       [&](const std::string& v) {
         uint64_t n = 0;
         if (!ParseUnsigned(v, 10, kSimDacChannels, n)) return false;
         out.config.dac.servedChannels = static_cast<int>(n);
         return true;
       }},
      {"--dac-corrections",
       [&](const std::string& v) { return ParseCorrections(v, out.config.dac.stored); }},
      {"--harness",
       [&](const std::string& v) { return ParseHarnesses(v, out.config.sensors.harnesses); }},
      {"--start-count",
       [&](const std::string& v) {
         uint64_t n = 0;
         if (!ParseUnsigned(v, 10, kSimCountModulus - 1, n)) return false;
         out.config.sensors.startCount = static_cast<int>(n);
         return true;
       }},
      {"--lose-counts", count(out.config.sensors.lostCounts, 0)},
      {"--also-counts",
       [&](const std::string& v) { return ParseSensorChannel(v, out.config.sensors.alsoCounts); }},
  };
  const std::map<std::string, std::function<void()>> flags = {
      {"--allow-non-loopback", [&] { out.server.allowNonLoopback = true; }},
      {"--stale-first", [&] { faults.staleFirst = kSimAlways; }},
      {"--bad-checksum", [&] { faults.badChecksum = kSimAlways; }},
      {"--bad-length", [&] { faults.badLength = kSimAlways; }},
      {"--no-zero-mark", [&] { out.config.sensors.zeroMarkWired = false; }},
      {"--quiet",
       [&] {
         out.quiet = true;
         out.verbose = false;
       }},
      {"--verbose",
       [&] {
         out.verbose = true;
         out.quiet = false;
       }},
      {"--help", [&] { out.help = true; }},
      {"-h", [&] { out.help = true; }},
  };

  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool inlineValue = false;
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      inlineValue = true;
    }
    if (auto flag = flags.find(name); flag != flags.end() && !inlineValue) {
      flag->second();
      continue;
    }
    auto setter = valued.find(name);
    if (setter == valued.end()) {
      error = "unknown option: " + args[i];
      return false;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        error = "missing value for " + name;
        return false;
      }
      value = args[++i];
    }
    if (!setter->second(value)) {
      error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  return true;
}

std::string SimUsage() {
  return "Usage: karvelm-sim [options]\n"
         "Serves a simulated KarvelM module over UDP.\n"
         "\n"
         "  --bind ADDRESS           address to listen on (default 127.0.0.1)\n"
         "  --allow-non-loopback     allow an address outside 127.0.0.0/8\n"
         "  --port N                 UDP port (default 30000; 0 = any free port)\n"
         "  --program firmware|bootloader   program running at start (default firmware)\n"
         "  --firmware-version HEX   firmware version word (default 02002200)\n"
         "  --bootloader-version HEX bootloader version word (default 01000500)\n"
         "  --generation old|new     firmware identity 0x3B05 (old) or 0x3B07 (new, default)\n"
         "  --restart-ms N           silence after switching programs (default 300)\n"
         "\n"
         "Faults:\n"
         "  --drop N                 lose the next N answers\n"
         "  --drop-every K           lose every K-th answer\n"
         "  --delay-ms D             send each answer D ms late\n"
         "  --stale-first            precede each answer by one with an old sequence number\n"
         "  --status-ff N            answer the next N packets with status 0xFF\n"
         "  --bad-checksum           put a wrong checksum in every answer\n"
         "  --bad-length             put a length beyond the datagram in every answer\n"
         "  --silent-after N         ignore everything after the first N packets\n"
         "  --fail-read HEX          refuse every read of the block at this storage address\n"
         "  --lose-write-ack N       never acknowledge data packet N of a configuration write\n"
         "\n"
         "\n"
         "DAC board and position sensors:\n"
         "  --dac-channels N         channels 1..N served by the listed RK-130M (default 8;\n"
         "                           0 lists none)\n"
         "  --dac-corrections LIST   the eight stored corrections, signed decimal, by commas\n"
         "  --harness LIST           count harnesses OUTPUT=CHANNEL by commas, octal, or none\n"
         "                           (default 167630=167700,167632=167704)\n"
         "  --start-count N          count of the wired channels at start (0..9999999)\n"
         "  --lose-counts N          the harnesses lose their next N counts\n"
         "  --also-counts CHANNEL    another channel (octal) counts along with the harnesses\n"
         "  --no-zero-mark           the zero-mark pulse reaches no counter\n"
         "\n"
         "  --verbose                log each received packet to stderr\n"
         "  --quiet                  log nothing\n"
         "  --help                   show this text\n";
}

}  // namespace karvelm
