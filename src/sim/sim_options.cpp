#include "sim/sim_options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

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

// "OCTAL:N[:N]": an input word of the harness and one or two line numbers 0..15.
bool ParseHarnessLine(const std::string& text, int lines, TSimPeripheralSetup& setup,
                      TSimHarnessWire*& wire, int (&bits)[2]) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == ':')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  if (parts.size() != static_cast<size_t>(lines) + 1) return false;
  uint64_t input = 0;
  if (!ParseUnsigned(parts[0], 8, 0177776, input)) return false;
  wire = nullptr;
  for (TSimHarnessWire& w : setup.wires)
    if (w.input == input) wire = &w;
  if (!wire) return false;
  for (int i = 0; i < lines; ++i) {
    uint64_t bit = 0;
    if (!ParseUnsigned(parts[static_cast<size_t>(i) + 1], 10, 15, bit)) return false;
    bits[i] = static_cast<int>(bit);
  }
  return true;
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
      {"--corrupt-write",
       [&](const std::string& v) {
         uint64_t n = 0;
         if (!ParseUnsigned(v, 16, UINT32_MAX, n) || n == 0) return false;
         faults.corruptWriteAt = static_cast<uint32_t>(n);
         return true;
       }},
      {"--ext-module",
       [&](const std::string& v) {
         TSimExtModuleSetup module;
         if (!ParseSimExtModule(v, module)) return false;
         auto& modules = out.peripherals.modules;
         std::erase_if(modules, [&](const TSimExtModuleSetup& m) {
           return m.type == module.type && m.index == module.index;
         });
         modules.push_back(module);
         return true;
       }},
      {"--harness-open",
       [&](const std::string& v) {
         TSimHarnessWire* wire = nullptr;
         int bits[2] = {};
         if (!ParseHarnessLine(v, 1, out.peripherals, wire, bits)) return false;
         wire->openLines |= static_cast<uint16_t>(1u << bits[0]);
         return true;
       }},
      {"--harness-swap",
       [&](const std::string& v) {
         TSimHarnessWire* wire = nullptr;
         int bits[2] = {};
         if (!ParseHarnessLine(v, 2, out.peripherals, wire, bits) || bits[0] == bits[1])
           return false;
         wire->swaps.emplace_back(bits[0], bits[1]);
         return true;
       }},
      {"--dac-channels",
       [&](const std::string& v) {
         uint64_t n = 0;
         if (!ParseUnsigned(v, 10, kSimDacChannels, n)) return false;
         SetSimDacChannels(out.peripherals, static_cast<int>(n));
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
      // Firmware updates.
      {"--bosi-version", version(out.updater.bosiVersion)},
      {"--panel-version", version(out.updater.panelVersion)},
      {"--update-ready",
       [&](const std::string& v) {
         static const std::map<std::string, TSimReadiness> kReadiness = {
             {"now", srAtOnce}, {"second", srAtSecond}, {"never", srNever}};
         const auto found = kReadiness.find(v);
         if (found == kReadiness.end()) return false;
         out.updater.readiness = found->second;
         return true;
       }},
      {"--update-busy", count(out.updater.busyPolls, 0)},
      {"--replay",
       [&](const std::string& v) {
         out.replayFile = v;
         return !v.empty();
       }},
      {"--write-images",
       [&](const std::string& v) {
         out.updater.imagesFolder = v;
         return !v.empty();
       }},
  };
  const std::map<std::string, std::function<void()>> flags = {
      {"--allow-non-loopback", [&] { out.server.allowNonLoopback = true; }},
      {"--lenient", [&] { out.config.strict = false; }},
      {"--old-firmware", [&] { out.config.firmwareVersion = kSimOldFirmwareVersion; }},
      {"--stale-first", [&] { faults.staleFirst = kSimAlways; }},
      {"--bad-checksum", [&] { faults.badChecksum = kSimAlways; }},
      {"--bad-length", [&] { faults.badLength = kSimAlways; }},
      {"--bare",
       [&] {
         out.peripherals = TSimPeripheralSetup{};
         out.config.sensors.harnesses.clear();
       }},
      {"--no-panel",
       [&] {
         out.peripherals.panel = {};
         out.peripherals.panelCounters = {};
       }},
      {"--no-ext-modules", [&] { out.peripherals.modules.clear(); }},
      {"--no-harness", [&] { out.peripherals.harness = false; }},
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
      {"--version", [&] { out.version = true; }},
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
         "  --lenient                serve what breaks the protocol as well as it can, instead\n"
         "                           of refusing it as a real module does (violations are\n"
         "                           logged either way; strict, the exit status is 3 after any)\n"
         "\n"
         "Peripheral buses and boards (by default a panel, five external modules, one of them\n"
         "in its bootloader, and the loop-back harness from 167630, 167632 to 167602, 167604):\n"
         "  --bare                   nothing on the buses, no harnesses\n"
         "  --no-panel               no control panel\n"
         "  --no-ext-modules         no external modules\n"
         "  --ext-module T:I:ADDR[:VERSION[:MASK]]\n"
         "                           add external module type T index I at network address\n"
         "                           ADDR; VERSION word and register MASK (bit i: base+2i) hex\n"
         "  --no-harness             loop-back harness unplugged: the inputs read all ones\n"
         "  --harness-open IN:BIT    the harness line to bit BIT of input word IN (octal) is open\n"
         "  --harness-swap IN:A:B    the harness lines to bits A and B of input word IN crossed\n"
         "\n"
         "Firmware updates:\n"
         "  --old-firmware           firmware 2.0.21., older than the desktop program accepts\n"
         "  --bosi-version HEX       BOSI link version, first-generation links only (default\n"
         "                           02030000; 0 = no BOSI link)\n"
         "  --panel-version HEX      control panel version (default 01090000; 0 = no panel)\n"
         "  --update-ready now|second|never\n"
         "                           when a prepared accessory reports ready (default now)\n"
         "  --update-busy N          status polls answered \"not ready\" after each piece\n"
         "  --write-images DIR       write the simulator's firmware images into DIR under the\n"
         "                           built-in names; the module recognises them\n"
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
         "  --corrupt-write HEX      store the byte at this storage address inverted when a\n"
         "                           configuration write reaches it (acknowledged all the same)\n"
         "\n"
         "DAC board and position sensors:\n"
         "  --dac-channels N         channels 1..N served by the RK-130M at type 2 index 0\n"
         "                           (default 8; 0 takes it off the bus)\n"
         "  --dac-corrections LIST   the eight stored corrections, signed decimal, by commas\n"
         "  --harness LIST           count harnesses OUTPUT=CHANNEL by commas, octal, or none\n"
         "                           (default 167630=167700,167632=167704)\n"
         "  --start-count N          count of the wired channels at start (0..9999999)\n"
         "  --lose-counts N          the harnesses lose their next N counts\n"
         "  --also-counts CHANNEL    another channel (octal) counts along with the harnesses\n"
         "  --no-zero-mark           the zero-mark pulse reaches no counter\n"
         "\n"
         "Replay:\n"
         "  --replay FILE            answer as the module did in a packet trace of the Ethernet\n"
         "                           link (karvelm --trace FILE): each request with the answers\n"
         "                           recorded after the same request; where the requests leave\n"
         "                           the recording is reported and the exit status is 3\n"
         "\n"
         "  --verbose                log each received packet to stderr\n"
         "  --quiet                  log nothing, not even protocol violations\n"
         "  --help                   show this text\n"
         "  --version                the program version\n";
}

}  // namespace karvelm
