#include "config/file_error_text.h"

#include <cstdio>
#include <cstring>

namespace karvelm {

std::string FileErrorText(const char* format, const std::string& path, int error) {
  const char* reason = std::strerror(error);
  std::string text(std::strlen(format) + path.size() + std::strlen(reason), '\0');
  const int n = std::snprintf(text.data(), text.size() + 1, format, path.c_str(), reason);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

}  // namespace karvelm
