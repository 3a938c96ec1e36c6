// Packet layouts of the three link kinds, on plain byte buffers: no I/O here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/intf_type.h"

namespace karvelm {

constexpr int kFramedHeaderSize = 12;
constexpr uint8_t kPacketTypeCommand = 1;
constexpr uint8_t kPacketTypeData = 2;
constexpr uint8_t kStatusFailure = 0xFF;
constexpr uint8_t kLegacyCommandMarker = 0x55;
constexpr int kLegacyReportSize = 65;      // report ID 0, both directions
constexpr int kNewCommandReportSize = 64;  // report ID 1
constexpr int kNewDataReportSize = 268;    // report ID 2

// Bytes of one read and capacities, by link kind.
struct TLinkSizes {
  int replyRead;       // bytes asked of one reply read
  int dataRead;        // bytes asked of one data-packet read
  int chunk;           // data bytes per data packet (ChunkSize)
  int commandPayload;  // command payload capacity
  int replyPayload;    // reply payload capacity
};

constexpr TLinkSizes LinkSizes(TIntfType kind) {
  switch (kind) {
    case itHID_OLD:
      return {65, 65, 64, 62, 64};
    case itHID_NEW:
      return {64, 268, 256, 52, 52};
    default:
      return {1036, 1064, 1052, 1056, 1024};
  }
}

// Largest packet assembled or received: a command with a full 1056-byte payload.
constexpr int kMaxPacketSize = kFramedHeaderSize + 1056;

// Rotate left by one bit, then add the byte; over no bytes it is 0.
uint32_t PacketChecksum(const uint8_t* bytes, size_t count);

// Writes a framed packet (header, payload, checksum) to out, which must hold 12 + length
// bytes; returns the packet length.
int BuildFramedPacket(uint8_t* out, uint8_t type, uint8_t code, uint32_t sequence,
                      const uint8_t* payload, int length);

// Writes a legacy command report (65 bytes) or data report to out.
void BuildLegacyCommand(uint8_t* out, uint8_t code, const uint8_t* payload, int length);
void BuildLegacyData(uint8_t* out, const uint8_t* data, int length);

// A received framed packet, pointing into the bytes it was parsed from.
struct TFramedView {
  uint8_t type = 0;
  uint8_t code = 0;
  uint16_t length = 0;
  uint32_t sequence = 0;
  uint32_t checksumField = 0;
  const uint8_t* payload = nullptr;
  int payloadLength = 0;
};

// Accepts a framed packet of received bytes. Refused: a length field below 12 or above the
// bytes received, and a packet whose checksum, recomputed over length bytes with the field
// taken as 0, is 0. The recomputed value is deliberately not compared with the field:
// modules in the field may fill it differently and the system has always accepted them.
bool ParseFramedPacket(const uint8_t* bytes, int received, TFramedView& view);

}  // namespace karvelm
