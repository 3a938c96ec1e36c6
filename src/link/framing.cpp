#include "link/framing.h"

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"

namespace karvelm {

namespace {

uint32_t ChecksumStep(uint32_t sum, uint8_t byte) {
  return ((sum << 1) | (sum >> 31)) + byte;
}

}  // namespace

uint32_t PacketChecksum(const uint8_t* bytes, size_t count) {
  uint32_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum = ChecksumStep(sum, bytes[i]);
  return sum;
}

int BuildFramedPacket(uint8_t* out, uint8_t type, uint8_t code, uint32_t sequence,
                      const uint8_t* payload, int length) {
  length = std::max(length, 0);
  const int total = kFramedHeaderSize + length;
  out[0] = type;
  out[1] = code;
  PutU16(out + 2, static_cast<uint16_t>(total));
  PutU32(out + 4, sequence);
  PutU32(out + 8, 0);
  if (length > 0) std::memcpy(out + kFramedHeaderSize, payload, static_cast<size_t>(length));
  PutU32(out + 8, PacketChecksum(out, static_cast<size_t>(total)));
  return total;
}

void BuildLegacyCommand(uint8_t* out, uint8_t code, const uint8_t* payload, int length) {
  std::memset(out, 0, kLegacyReportSize);
  out[1] = kLegacyCommandMarker;
  out[2] = code;
  length = std::clamp(length, 0, kLegacyReportSize - 3);
  if (length > 0) std::memcpy(out + 3, payload, static_cast<size_t>(length));
}

void BuildLegacyData(uint8_t* out, const uint8_t* data, int length) {
  std::memset(out, 0, kLegacyReportSize);
  length = std::clamp(length, 0, kLegacyReportSize - 1);
  if (length > 0) std::memcpy(out + 1, data, static_cast<size_t>(length));
}

bool ParseFramedPacket(const uint8_t* bytes, int received, TFramedView& view) {
  if (received < kFramedHeaderSize) return false;
  const int length = bytes[2] | bytes[3] << 8;
  if (length < kFramedHeaderSize || length > received) return false;
  uint32_t sum = 0;
  for (int i = 0; i < length; ++i) sum = ChecksumStep(sum, (i >= 8 && i < 12) ? 0 : bytes[i]);
  if (sum == 0) return false;
  view.type = bytes[0];
  view.code = bytes[1];
  view.length = static_cast<uint16_t>(length);
  view.sequence = GetU32(bytes + 4);
  view.checksumField = GetU32(bytes + 8);
  view.payload = bytes + kFramedHeaderSize;
  view.payloadLength = length - kFramedHeaderSize;
  return true;
}

}  // namespace karvelm
