#include "config/backup_store.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <system_error>

#include "link/commands_codec.h"

namespace karvelm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kBackupSubfolder = "KarvelMcfg/backups";

// Date, time and milliseconds, then link kind, firmware version and configuration number.
const std::regex& NamePattern() {
  static const std::regex pattern(
      R"(^(\d{4})(\d{2})(\d{2})-(\d{2})(\d{2})(\d{2})-(\d{3})_(udp|usb1|usb2)_fw-((?:\d+\.)*\d+|none)_cfg([12])\.bin$)");
  return pattern;
}

// An absolute path from the environment, or none.
std::optional<fs::path> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || value[0] != '/') return std::nullopt;
  return fs::path(value);
}

}  // namespace

std::string BackupFolder() {
  if (auto data = AbsoluteFromEnvironment("XDG_DATA_HOME"))
    return (*data / kBackupSubfolder).string();
  if (auto home = AbsoluteFromEnvironment("HOME"))
    return (*home / ".local/share" / kBackupSubfolder).string();
  return {};
}

const char* LinkOptionName(TIntfType kind) {
  switch (kind) {
    case itHID_OLD:
      return "usb1";
    case itHID_NEW:
      return "usb2";
    default:
      return "udp";
  }
}

std::string BackupFileName(const TBackupInfo& info) {
  using namespace std::chrono;
  const auto sinceEpoch = info.time.time_since_epoch();
  const time_t seconds =
      static_cast<time_t>(duration_cast<std::chrono::seconds>(sinceEpoch).count());
  const int millis = static_cast<int>(duration_cast<milliseconds>(sinceEpoch).count() % 1000);
  tm local{};
  ::localtime_r(&seconds, &local);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                millis < 0 ? 0 : millis);
  std::string version = "none";
  if (info.firmwareVersion) {
    version = FormatVersion(*info.firmwareVersion);
    if (!version.empty() && version.back() == '.') version.pop_back();
  }
  return std::string(stamp) + "_" + LinkOptionName(info.link) + "_fw-" + version + "_cfg" +
         std::to_string(info.configNumber) + ".bin";
}

std::vector<TBackupEntry> ListBackups(const std::string& folder) {
  std::vector<TBackupEntry> entries;
  std::error_code error;
  if (folder.empty()) return entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::smatch m;
    if (!std::regex_match(name, m, NamePattern()) || !it->is_regular_file(error)) continue;
    TBackupEntry entry;
    entry.path = it->path().string();
    entry.name = name;
    entry.time = m[1].str() + "-" + m[2].str() + "-" + m[3].str() + " " + m[4].str() + ":" +
                 m[5].str() + ":" + m[6].str() + "." + m[7].str();
    entry.link = m[8].str();
    entry.firmware = m[9].str() == "none" ? "" : m[9].str() + ".";
    entry.configNumber = std::stoi(m[10].str());
    std::error_code sizeError;
    entry.bytes = it->file_size(sizeError);
    entries.push_back(std::move(entry));
  }
  // The stamp leads the name, so the name order is the time order.
  std::sort(entries.begin(), entries.end(),
            [](const TBackupEntry& a, const TBackupEntry& b) { return a.name > b.name; });
  return entries;
}

size_t PruneBackups(const std::string& folder, size_t keep) {
  const std::vector<TBackupEntry> entries = ListBackups(folder);
  size_t removed = 0;
  for (size_t i = keep; i < entries.size(); ++i) {
    std::error_code error;
    if (fs::remove(entries[i].path, error)) ++removed;
  }
  return removed;
}

}  // namespace karvelm
