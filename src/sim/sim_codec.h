// The packet family of a link kind, chosen once here so the model never looks at bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim_types.h"

namespace karvelm {

// False for bytes that are no packet of the kind, with the reason in why.
bool DecodeSimPacket(TIntfType kind, const uint8_t* bytes, int size, bool expectData,
                     TSimRequest& out, std::string* why = nullptr);
std::vector<uint8_t> EncodeSimPacket(const TSimPacket& packet);

// Whether packets of the kind carry the framed header (sequence, status, checksum).
inline bool IsFramedKind(TIntfType kind) {
  return kind != itHID_OLD;
}

}  // namespace karvelm
