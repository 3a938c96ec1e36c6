// Readable names for parameterised tests: the link kinds, and any text made into a name part.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "link/intf_type.h"

namespace karvelm {

inline std::string LinkKindName(TIntfType kind) {
  return kind == itHID_OLD ? "HidOld" : kind == itHID_NEW ? "HidNew" : "Udp";
}

// Name generator for suites over the link kinds.
inline std::string LinkKindParamName(const ::testing::TestParamInfo<TIntfType>& info) {
  return LinkKindName(info.param);
}

// Letters and digits stay, anything else becomes _XX (its byte in hex), so that different
// texts give different names.
inline std::string NamePart(std::string_view text) {
  if (text.empty()) return "Empty";
  std::string name;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= 'a' && byte <= 'z')) {
      name += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02X", byte);
      name += hex;
    }
  }
  return name;
}

// A number in hex, at least width digits, for names and case descriptions.
inline std::string Hex(unsigned long value, int width = 4) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*lX", width, value);
  return text;
}

}  // namespace karvelm
