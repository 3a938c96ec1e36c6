// The IP address field accepts only a dotted address of four octets 0..255.
#pragma once

#include <string>

namespace karvelm {

// Four decimal octets 0..255 separated by points; no blanks, no more than three digits.
bool IsValidIpAddress(const std::string& text);

}  // namespace karvelm
