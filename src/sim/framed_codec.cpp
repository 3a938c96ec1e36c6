#include "sim/framed_codec.h"

#include <algorithm>

#include "link/framing.h"
#include "link/socket_udp.h"
#include "sim/byte_order.h"

namespace karvelm {

bool DecodeFramedPacket(TIntfType kind, const uint8_t* bytes, int size, TSimRequest& out,
                        std::string* why) {
  auto refuse = [why](std::string text) {
    if (why) *why = std::move(text);
    return false;
  };
  if (size < kFramedHeaderSize)
    return refuse(std::to_string(size) + " bytes, shorter than the packet header");
  const uint8_t type = bytes[0];
  if (type != kPacketTypeCommand && type != kPacketTypeData)
    return refuse("packet type " + std::to_string(type) + ", neither command nor data");
  const int length = GetU16(bytes + 2);
  if (length < kFramedHeaderSize || length > size)
    return refuse("length field " + std::to_string(length) + " outside the " +
                  std::to_string(size) + " bytes received");
  std::vector<uint8_t> copy(bytes, bytes + length);
  PutU32(copy.data() + 8, 0);
  if (PacketChecksum(copy.data(), copy.size()) != GetU32(bytes + 8))
    return refuse("checksum field does not match the packet");
  out = TSimRequest{};
  out.kind = kind;
  out.type = type;
  out.code = bytes[1];
  out.sequence = GetU32(bytes + 4);
  out.payload.assign(bytes + kFramedHeaderSize, bytes + length);
  return true;
}

std::vector<uint8_t> EncodeFramedPacket(const TSimPacket& packet) {
  int reportSize = 0;  // 0 = a datagram, as long as the packet
  if (packet.kind == itHID_NEW)
    reportSize = packet.type == kSimTypeData ? kNewDataReportSize : kNewCommandReportSize;
  int payloadLength = static_cast<int>(packet.payload.size());
  if (reportSize > 0) payloadLength = std::min(payloadLength, reportSize - kFramedHeaderSize);
  payloadLength = std::min(payloadLength, 0xFFFF - kFramedHeaderSize);

  std::vector<uint8_t> bytes(static_cast<size_t>(kFramedHeaderSize + payloadLength), 0);
  BuildFramedPacket(bytes.data(), packet.type, packet.status, packet.sequence,
                    packet.payload.data(), payloadLength);
  bytes.resize(static_cast<size_t>(std::max<int>(static_cast<int>(bytes.size()),
                                                 reportSize > 0 ? reportSize : kMinDatagramSize)));

  if (packet.badChecksum) PutU32(bytes.data() + 8, GetU32(bytes.data() + 8) ^ 0xA5A5A5A5u);
  if (packet.badLength) {
    const size_t beyond = std::min<size_t>(bytes.size() + 4, 0xFFFF);
    PutU16(bytes.data() + 2, static_cast<uint16_t>(beyond));
  }
  return bytes;
}

}  // namespace karvelm
