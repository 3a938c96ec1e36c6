#include "sim/sim_options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>

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
      {"--write-images",
       [&](const std::string& v) {
         out.updater.imagesFolder = v;
         return !v.empty();
       }},
  };
  const std::map<std::string, std::function<void()>> flags = {
      {"--allow-non-loopback", [&] { out.server.allowNonLoopback = true; }},
      {"--old-firmware", [&] { out.config.firmwareVersion = kSimOldFirmwareVersion; }},
      {"--stale-first", [&] { faults.staleFirst = kSimAlways; }},
      {"--bad-checksum", [&] { faults.badChecksum = kSimAlways; }},
      {"--bad-length", [&] { faults.badLength = kSimAlways; }},
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
         "Firmware updates:\n"
         "  --old-firmware           firmware 2.0.21., older than the desktop program accepts\n"
         "  --bosi-version HEX       BOSI link version, first-generation links only (default\n"
         "                           02030000; 0 = no BOSI link)\n"
         "  --panel-version HEX      control panel version (default 01080000; 0 = no panel)\n"
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
         "\n"
         "  --verbose                log each received packet to stderr\n"
         "  --quiet                  log nothing\n"
         "  --help                   show this text\n";
}

}  // namespace karvelm
