#include "sim/sim_codec.h"

#include "sim/framed_codec.h"
#include "sim/legacy_codec.h"

namespace karvelm {

bool DecodeSimPacket(TIntfType kind, const uint8_t* bytes, int size, bool expectData,
                     TSimRequest& out, std::string* why) {
  if (!bytes || size <= 0) {
    if (why) *why = "empty packet";
    return false;
  }
  if (kind == itHID_OLD) {
    if (DecodeLegacyReport(bytes, size, expectData, out)) return true;
    if (why) *why = "not a 65-byte report with ID 0";
    return false;
  }
  return DecodeFramedPacket(kind, bytes, size, out, why);
}

std::vector<uint8_t> EncodeSimPacket(const TSimPacket& packet) {
  if (packet.kind == itHID_OLD) return EncodeLegacyReport(packet);
  return EncodeFramedPacket(packet);
}

}  // namespace karvelm
