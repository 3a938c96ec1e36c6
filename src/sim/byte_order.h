// Little-endian fields of the module's packets, as the simulator reads and writes them.
#pragma once

#include <cstdint>
#include <vector>

#include "base/byte_order.h"

namespace karvelm {

inline void SimAppendU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void SimAppendU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace karvelm
