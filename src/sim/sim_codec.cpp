#include "sim/sim_codec.h"

#include "sim/framed_codec.h"
#include "sim/legacy_codec.h"

namespace karvelm {

bool DecodeSimPacket(TIntfType kind, const uint8_t* bytes, int size, bool expectData,
                     TSimRequest& out) {
  if (!bytes || size <= 0) return false;
  if (kind == itHID_OLD) return DecodeLegacyReport(bytes, size, expectData, out);
  return DecodeFramedPacket(kind, bytes, size, out);
}

std::vector<uint8_t> EncodeSimPacket(const TSimPacket& packet) {
  if (packet.kind == itHID_OLD) return EncodeLegacyReport(packet);
  return EncodeFramedPacket(packet);
}

}  // namespace karvelm
