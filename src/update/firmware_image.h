// A firmware image held in memory for one update. Images are opaque: they are read whole
// before anything is sent, so a file that cannot be read fails before the module is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/intf_type.h"

namespace karvelm {

// Names under which the built-in images are looked up.
inline constexpr const char* kImageModule = "UpdateKarvel";
inline constexpr const char* kImageModuleOld = "UpdateKarvelOld";
inline constexpr const char* kImageBosi = "UpdateBOSI";
inline constexpr const char* kImagePanelKarvel = "UpdatePNK";
inline constexpr const char* kImagePanelTorsen = "UpdatePNT";
inline constexpr const char* kImageExtModule = "UpdateExtM";

// A first-generation module takes its own image.
constexpr const char* ModuleImageName(TIntfType kind) {
  return kind == itHID_OLD ? kImageModuleOld : kImageModule;
}

// Far above any image a module or accessory takes; keeps a wrong file from filling memory.
constexpr uint64_t kMaxImageSize = 16u * 1024 * 1024;

struct TFirmwareImage {
  std::string name;  // the built-in name or the file's path
  std::vector<uint8_t> bytes;
};

// An image, or the text that says why there is none.
struct TImageOpenResult {
  bool ok = false;
  TFirmwareImage image;
  std::string error;
};

// Reads a whole regular file. Folders, devices, pipes, unreadable and oversized files give
// a message that names the file and the reason.
TImageOpenResult ReadImageFile(const std::string& path);

}  // namespace karvelm
