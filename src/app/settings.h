// The settings file: the link kind, the module's IP address and whether to ask for the link
// kind at start. Read once when the main window is created, written once when it closes.
#pragma once

#include <string>

namespace karvelm {

constexpr const char* kSettingsSection = "Settings";
constexpr const char* kKeyInterface = "interface";
constexpr const char* kKeyIp = "ip";
constexpr const char* kKeyDisableSelectDialog = "disable_select_dialog";

struct TSettings {
  int intf_type_num = 0;  // 0 itHID_OLD, 1 itHID_NEW, 2 itUDP; others kept as read
  std::string ip_string = "192.168.0.10";
  bool DisableIntfSelection = false;
};

// A missing file or key gives the defaults.
TSettings LoadSettings(const std::string& path);
// Keeps whatever else the file holds. False with the reason in error when it cannot be
// written; the file that was there is then unchanged.
bool SaveSettings(const std::string& path, const TSettings& settings, std::string& error);

// The executable's path with its extension replaced by ".ini" (appended when it has none).
std::string SettingsPathBeside(const std::string& executablePath);
// Where the settings live: beside the executable when that folder is writable, otherwise in
// the user's configuration folder under the same file name (an installed program).
std::string SettingsFilePath(const std::string& executablePath, bool executableFolderWritable,
                             const std::string& userConfigFolder);
// As above with the folder's access checked and the configuration folder taken from
// $XDG_CONFIG_HOME, or ~/.config.
std::string DefaultSettingsFilePath(const std::string& executablePath);

}  // namespace karvelm
