// The runtime's file error texts ("Cannot open file "%s". %s" and the like) with the
// system's reason for an errno value.
#pragma once

#include <string>

namespace karvelm {

std::string FileErrorText(const char* format, const std::string& path, int error);

}  // namespace karvelm
