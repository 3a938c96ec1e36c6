// First-generation USB reports (itHID_OLD): 65 bytes, report ID 0 in byte 0, no header.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/sim_types.h"

namespace karvelm {

// A command report is 0, 0x55, code, 62 payload bytes; a data report is 0 and 64 data
// bytes. Nothing in a data report tells it from a command, so while the module expects
// data (expectData) every report is data, even one whose first byte happens to be 0x55.
// False for a report of another size or report ID.
bool DecodeLegacyReport(const uint8_t* bytes, int size, bool expectData, TSimRequest& out);

// Byte 0 = 0, then the payload from byte 1 (at most 64 bytes), zero-padded to 65. There is
// no status, sequence or checksum, so those parts of the packet are not carried.
std::vector<uint8_t> EncodeLegacyReport(const TSimPacket& packet);

}  // namespace karvelm
