#include "app/settings.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/ini_file.h"

namespace karvelm {

TSettings LoadSettings(const std::string& path) {
  TSettings settings;
  std::string text;
  if (!ReadTextFile(path, text)) return settings;
  TIniDocument ini;
  ini.Parse(text);
  settings.intf_type_num = ini.ReadInteger(kSettingsSection, kKeyInterface, 0);
  settings.ip_string = ini.ReadString(kSettingsSection, kKeyIp).value_or("192.168.0.10");
  settings.DisableIntfSelection = ini.ReadBool(kSettingsSection, kKeyDisableSelectDialog, false);
  return settings;
}

bool SaveSettings(const std::string& path, const TSettings& settings, std::string& error) {
  TIniDocument ini;
  std::string text;
  if (ReadTextFile(path, text)) ini.Parse(text);
  ini.WriteInteger(kSettingsSection, kKeyInterface, settings.intf_type_num);
  ini.WriteString(kSettingsSection, kKeyIp, settings.ip_string);
  ini.WriteBool(kSettingsSection, kKeyDisableSelectDialog, settings.DisableIntfSelection);
  return WriteTextFileAtomic(path, ini.Text(), error);
}

std::string SettingsPathBeside(const std::string& executablePath) {
  std::filesystem::path path(executablePath);
  path.replace_extension(".ini");
  return path.string();
}

std::string SettingsFilePath(const std::string& executablePath, bool executableFolderWritable,
                             const std::string& userConfigFolder) {
  std::string beside = SettingsPathBeside(executablePath);
  if (executableFolderWritable || userConfigFolder.empty()) return beside;
  return (std::filesystem::path(userConfigFolder) / std::filesystem::path(beside).filename())
      .string();
}

std::string DefaultSettingsFilePath(const std::string& executablePath) {
  std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
  if (folder.empty()) folder = ".";
  bool writable = ::access(folder.c_str(), W_OK) == 0;
  std::string configFolder;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    configFolder = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    configFolder = std::string(home) + "/.config";
  }
  if (!writable && !configFolder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(configFolder, ignored);
  }
  return SettingsFilePath(executablePath, writable, configFolder);
}

}  // namespace karvelm
