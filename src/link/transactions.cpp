#include "link/transactions.h"

#include <algorithm>
#include <cstring>

#include "base/clock.h"
#include "link/ext_intf.h"
#include "link/framing.h"

namespace karvelm {

uint32_t SequenceNumber = 0;

namespace {

// Fixed buffers for the largest packet of any kind; nothing is allocated per packet.
uint8_t txBuffer[kMaxPacketSize + 4];
uint8_t rxBuffer[kMaxPacketSize + 4];

bool IsLegacy() {
  return ActiveLink->IntfType() == itHID_OLD;
}

// Writes a command (type 1) or data (type 2) packet and counts it.
bool SendPacket(uint8_t type, uint8_t code, const uint8_t* payload, int length) {
  if (!ActiveLink) return false;
  const TIntfType kind = ActiveLink->IntfType();
  int size = 0;
  if (kind == itHID_OLD) {
    if (type == kPacketTypeCommand)
      BuildLegacyCommand(txBuffer, code, payload, length);
    else
      BuildLegacyData(txBuffer, payload, length);
    size = kLegacyReportSize;
  } else {
    length = std::clamp(length, 0, kMaxPacketSize - kFramedHeaderSize);
    const int packetLength =
        BuildFramedPacket(txBuffer, type, code, SequenceNumber, payload, length);
    if (kind == itHID_NEW) {
      size = type == kPacketTypeCommand ? kNewCommandReportSize : kNewDataReportSize;
      // A report is always its full size; a packet longer than the report is cut by it.
      if (packetLength < size)
        std::memset(txBuffer + packetLength, 0, static_cast<size_t>(size - packetLength));
    } else {
      size = packetLength;
    }
  }
  if (!ActiveLink->Write(txBuffer, size)) return false;
  ++SequenceNumber;
  return true;
}

// Reads one reply (reportId 1) or data packet (reportId 2). copied gets the payload bytes
// that reached the destination.
bool ReceivePacket(uint8_t reportId, int readSize, uint8_t* destination, int length, int timeout,
                   uint32_t& sequence, int& copied) {
  copied = 0;
  const bool legacy = IsLegacy();
  rxBuffer[0] = legacy ? 0 : reportId;
  int received = 0;
  if (!ActiveLink->Read(rxBuffer, readSize, timeout, &received)) return false;
  if (legacy) {
    copied = destination ? std::clamp(std::min(length, received - 1), 0, kLegacyReportSize - 1) : 0;
    if (copied > 0) std::memcpy(destination, rxBuffer + 1, static_cast<size_t>(copied));
    return true;
  }
  TFramedView view;
  if (!ParseFramedPacket(rxBuffer, received, view)) return false;
  const int count = std::min(length, view.payloadLength);
  if (count > 0 && destination) {
    std::memcpy(destination, view.payload, static_cast<size_t>(count));
    copied = count;
  }
  sequence = view.sequence;
  return view.code != kStatusFailure;
}

// Whether another stale reply may be waited for. On the USB kinds a report read does not
// time out, so a device that keeps presenting its previous report would hold the caller for
// ever: stale replies are skipped only while the operation's own timeout lasts, measured
// from its first wait. Each wait on itUDP still gets the full timeout, so an operation ends
// within two timeouts however the stale datagrams are spaced.
class TStaleBound {
 public:
  explicit TStaleBound(int timeout)
      : FStart(Clock().NowMs()), FTimeout(static_cast<uint64_t>(std::max(timeout, 0))) {}
  bool WaitAgain() { return ++FStale < kMaxStaleReplies && Clock().NowMs() - FStart < FTimeout; }

 private:
  uint64_t FStart;
  uint64_t FTimeout;
  int FStale = 0;
};

bool ReceiveReplyCounted(uint8_t* destination, int destinationLength, int timeout,
                         uint32_t& sequence, int& copied) {
  copied = 0;
  if (!ActiveLink) return false;
  if (IsLegacy() && destinationLength == 0) return true;
  return ReceivePacket(kPacketTypeCommand, LinkSizes(ActiveLink->IntfType()).replyRead, destination,
                       destinationLength, timeout, sequence, copied);
}

}  // namespace

bool SendCommand(uint8_t code, const uint8_t* payload, int payloadLength) {
  return SendPacket(kPacketTypeCommand, code, payload, payloadLength);
}

bool ReceiveReply(uint8_t* destination, int destinationLength, int timeout, uint32_t& sequence) {
  int copied = 0;
  return ReceiveReplyCounted(destination, destinationLength, timeout, sequence, copied);
}

bool SendDataPacket(const uint8_t* data, int length) {
  return SendPacket(kPacketTypeData, 0, data, length);
}

bool ReceiveDataPacket(uint8_t* destination, int length, int timeout, uint32_t& sequence) {
  if (!ActiveLink || length <= 0) return false;
  int copied = 0;
  return ReceivePacket(kPacketTypeData, LinkSizes(ActiveLink->IntfType()).dataRead, destination,
                       length, timeout, sequence, copied);
}

bool TransactCounted(uint8_t code, const uint8_t* payload, int payloadLength, uint8_t* replyBuffer,
                     int replyLength, int timeout, int& replied) {
  replied = 0;
  if (!ActiveLink) return false;  // no traffic, counter left alone
  uint32_t seq = 0;
  if (SendCommand(code, payload, payloadLength)) {
    TStaleBound bound(timeout);
    for (;;) {
      int copied = 0;
      if (!ReceiveReplyCounted(replyBuffer, replyLength, timeout, seq, copied)) break;
      replied = copied;
      if (seq == SequenceNumber - 1 || IsLegacy()) return true;
      // A stale reply: wait for the next one with the full timeout, while the bound allows.
      if (!bound.WaitAgain()) break;
    }
  }
  SequenceNumber = seq;
  return false;
}

bool Transact(uint8_t code, const uint8_t* payload, int payloadLength, uint8_t* replyBuffer,
              int replyLength, int timeout) {
  int replied = 0;
  return TransactCounted(code, payload, payloadLength, replyBuffer, replyLength, timeout, replied);
}

bool WriteData(const uint8_t* data, int length, int timeout) {
  if (!ActiveLink) return false;
  if (SendDataPacket(data, length)) {
    if (IsLegacy()) return true;
    TStaleBound bound(timeout);
    for (;;) {
      uint32_t seq = 0;
      if (!ReceiveReply(nullptr, 0, timeout, seq)) break;
      if (seq == SequenceNumber - 1) return true;
      if (!bound.WaitAgain()) break;
    }
  }
  --SequenceNumber;
  return false;
}

bool ReadData(uint8_t code, const uint8_t* payload, int payloadLength, uint8_t* destination,
              uint32_t total, int timeout) {
  while (total != 0) {
    const uint32_t chunk = std::min(ChunkSize(), total);
    if (chunk == 0) return false;  // no link
    if (code != 0) {
      int attempt = 0;
      while (!SendCommand(code, payload, payloadLength)) {
        if (++attempt >= kReadDataCommandAttempts) {
          --SequenceNumber;
          return false;
        }
      }
    }
    TStaleBound bound(timeout);
    for (;;) {
      uint32_t seq = 0;
      if (!ReceiveDataPacket(destination, static_cast<int>(chunk), timeout, seq)) {
        --SequenceNumber;
        return false;
      }
      if (seq == SequenceNumber - 1 || IsLegacy()) break;
      if (!bound.WaitAgain()) {
        --SequenceNumber;
        return false;
      }
    }
    destination += chunk;
    total -= chunk;
  }
  return true;
}

uint32_t ChunkSize() {
  if (!ActiveLink) return 0;
  return static_cast<uint32_t>(LinkSizes(ActiveLink->IntfType()).chunk);
}

bool IsLegacyLink() {
  return ActiveLink && IsLegacy();
}

bool CheckModule(uint16_t expected, int timeout) {
  if (!ActiveLink || !ActiveLink->Connected()) return false;
  for (int attempt = 0; attempt < kCheckModuleAttempts; ++attempt) {
    uint8_t reply[2] = {0, 0};
    int replied = 0;
    if (TransactCounted(0x01, nullptr, 0, reply, 2, timeout, replied) && replied >= 2 &&
        static_cast<uint16_t>(reply[0] | reply[1] << 8) == expected)
      return true;
  }
  return false;
}

}  // namespace karvelm
