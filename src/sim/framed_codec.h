// Framed packets (itHID_NEW reports, itUDP datagrams): the 12-byte header of type, code or
// status, length, sequence and checksum, then the payload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim_types.h"

namespace karvelm {

// Accepts a packet whose type is 1 or 2, whose length field lies within the bytes received
// and whose checksum field matches. USB reports and UDP datagrams carry padding after
// length, which is ignored.
// The code byte is kept as received also in a data packet. why, when given, tells a refusal.
bool DecodeFramedPacket(TIntfType kind, const uint8_t* bytes, int size, TSimRequest& out,
                        std::string* why = nullptr);

// itHID_NEW: a full report, 64 bytes for a reply (ID 1) and 268 for a data packet (ID 2),
// the payload cut to fit. itUDP: the packet at its length, padded to 64 bytes as the
// module's network stack does. The packet's badChecksum and badLength faults are applied
// to the finished bytes.
std::vector<uint8_t> EncodeFramedPacket(const TSimPacket& packet);

}  // namespace karvelm
