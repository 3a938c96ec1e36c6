// The backups folder: where the configurations read before an overwrite are kept, how their
// files are named, listed and thinned out to the newest ones.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/intf_type.h"

namespace karvelm {

constexpr size_t kBackupsKept = 100;

// $XDG_DATA_HOME/KarvelMcfg/backups, else $HOME/.local/share/KarvelMcfg/backups; empty when
// neither is set (or set to a relative path, which the XDG rules tell us to ignore).
std::string BackupFolder();

// What a backup file's name tells.
struct TBackupInfo {
  std::chrono::system_clock::time_point time;  // to the millisecond, local time in the name
  TIntfType link = itUDP;
  std::optional<uint32_t> firmwareVersion;  // version word; none when it could not be read
  int configNumber = 1;                     // 1 or 2, as the user counts them
};

// "20250304-153012-345_udp_fw-2.0.34_cfg1.bin": sorted by name, oldest first.
std::string BackupFileName(const TBackupInfo& info);
// "udp", "usb1", "usb2": the command line's names of the link kinds.
const char* LinkOptionName(TIntfType kind);

struct TBackupEntry {
  std::string path;
  std::string name;
  std::string time;      // "2025-03-04 15:30:12.345"
  std::string link;      // as in the name
  std::string firmware;  // "2.0.34.", empty when unknown
  int configNumber = 0;
  uint64_t bytes = 0;
};

// The backup files of folder, newest first. Files whose names are not backup names are left
// out (and never removed by PruneBackups).
std::vector<TBackupEntry> ListBackups(const std::string& folder);

// Removes all but the newest keep backups of folder; the number removed.
size_t PruneBackups(const std::string& folder, size_t keep = kBackupsKept);

}  // namespace karvelm
