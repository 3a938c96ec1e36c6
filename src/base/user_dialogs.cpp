#include "base/user_dialogs.h"

#include <filesystem>

namespace karvelm {

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  if (extension.empty() || path.empty()) return path;
  if (std::filesystem::path(path).has_extension()) return path;
  return path + "." + extension;
}

}  // namespace karvelm
