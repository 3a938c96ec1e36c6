// A small bootloader on a scripted transport: answers cmdIdentify, serves stored blocks
// after cmdOpenRead (framed: one data packet per cmdReadNext; itHID_OLD: all reports at
// once) and takes a configuration write, acknowledging every framed data packet with the
// sequence number of that packet. Failures are switched on per request.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <vector>

#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/transactions.h"
#include "link/transport.h"
#include "link_state_scope.h"

namespace karvelm::testing {

// The content the fake module keeps at a storage address.
inline uint8_t StoredByte(uint32_t storageAddress) {
  return static_cast<uint8_t>(storageAddress * 31 + (storageAddress >> 8) * 7 +
                              (storageAddress >> 16));
}

class TFakeLoader final : public TLinkTransport {
 public:
  struct TOpen {
    uint32_t address;  // as requested (command address)
    uint32_t size;
  };

  explicit TFakeLoader(TIntfType kind) : FKind(kind), FChunk(LinkSizes(kind).chunk) {}

  // Script.
  uint16_t identity = LOADER_ID;
  std::set<uint32_t> refuseOpen;  // command addresses whose read fails
  bool refuseWrite = false;       // cmdWriteConfig answered with status 0xFF
  int loseAckOfPiece = -1;        // framed: this data piece (0-based) is never acknowledged
  int failWriteOfPiece = -1;      // this data piece cannot be written to the link

  // What arrived.
  std::vector<uint8_t> commands;  // codes in order
  std::vector<TOpen> opens;
  std::vector<int> readNextPerOpen;  // cmdReadNext count after each cmdOpenRead
  int reportReads = 0;               // every Read call
  std::vector<int> readTimeouts;
  uint32_t announced = 0;
  std::vector<uint8_t> received;  // the data of the write, piece after piece
  std::vector<size_t> pieces;

  bool Connected() const override { return true; }

  bool Write(const uint8_t* report, int size) override {
    if (FWriteRemaining > 0) return TakeData(report, size);
    uint8_t code = 0;
    const uint8_t* payload = nullptr;
    uint32_t sequence = 0;
    if (FKind == itHID_OLD) {
      if (report[1] != kLegacyCommandMarker) return true;  // stray data: ignored
      code = report[2];
      payload = report + 3;
    } else {
      if (report[0] != kPacketTypeCommand) return true;
      code = report[1];
      payload = report + kFramedHeaderSize;
      sequence = SequenceIn(report);
    }
    commands.push_back(code);
    switch (code) {
      case cmdIdentify:
        Reply(sequence, {static_cast<uint8_t>(identity), static_cast<uint8_t>(identity >> 8)});
        break;
      case cmdOpenRead: {
        const TOpen open{U32(payload), U32(payload + 4)};
        opens.push_back(open);
        readNextPerOpen.push_back(0);
        const bool refused = refuseOpen.count(open.address) > 0;
        if (FKind == itHID_OLD) {
          // Reply length 0: nothing is read for the command; the data follow unasked.
          if (!refused) QueueLegacyBlock(open);
        } else {
          Reply(sequence, {}, refused ? kStatusFailure : 0);
          FBlock = open;
          FBlockOffset = 0;
        }
        break;
      }
      case cmdReadNext:
        if (!readNextPerOpen.empty()) ++readNextPerOpen.back();
        QueueFramedChunk(sequence);
        break;
      case cmdWriteConfig:
        announced = U32(payload);
        if (FKind != itHID_OLD) Reply(sequence, {}, refuseWrite ? kStatusFailure : 0);
        if (!refuseWrite) FWriteRemaining = announced;
        break;
      default:
        break;
    }
    return true;
  }

  bool Read(uint8_t* report, int size, int timeout, int* received) override {
    ++reportReads;
    readTimeouts.push_back(timeout);
    if (FAnswers.empty()) return false;
    std::vector<uint8_t> answer = std::move(FAnswers.front());
    FAnswers.pop_front();
    if (FKind == itHID_NEW) answer.resize(static_cast<size_t>(size), 0);  // whole reports
    const int count = std::min<int>(size, static_cast<int>(answer.size()));
    std::copy_n(answer.begin(), count, report);
    if (received) *received = count;
    return true;
  }

 private:
  static uint32_t U32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  static uint32_t SequenceIn(const uint8_t* packet) { return U32(packet + 4); }

  uint32_t StorageOf(uint32_t commandAddress) const {
    return FKind == itHID_OLD ? commandAddress - kLegacyStorageOffset : commandAddress;
  }

  void Reply(uint32_t sequence, const std::vector<uint8_t>& payload, uint8_t status = 0) {
    if (FKind == itHID_OLD) {
      std::vector<uint8_t> report(kLegacyReportSize, 0);
      std::copy(payload.begin(), payload.end(), report.begin() + 1);
      FAnswers.push_back(report);
      return;
    }
    std::vector<uint8_t> packet(kFramedHeaderSize + payload.size());
    BuildFramedPacket(packet.data(), kPacketTypeCommand, status, sequence, payload.data(),
                      static_cast<int>(payload.size()));
    FAnswers.push_back(packet);
  }

  void QueueLegacyBlock(const TOpen& open) {
    for (uint32_t offset = 0; offset < open.size; offset += 64) {
      std::vector<uint8_t> report(kLegacyReportSize, 0);
      for (uint32_t i = 0; i < 64 && offset + i < open.size; ++i) {
        report[1 + i] = StoredByte(StorageOf(open.address) + offset + i);
      }
      FAnswers.push_back(report);
    }
  }

  void QueueFramedChunk(uint32_t sequence) {
    const uint32_t n =
        std::min<uint32_t>(static_cast<uint32_t>(FChunk), FBlock.size - FBlockOffset);
    std::vector<uint8_t> data(n);
    for (uint32_t i = 0; i < n; ++i)
      data[i] = StoredByte(StorageOf(FBlock.address) + FBlockOffset + i);
    FBlockOffset += n;
    std::vector<uint8_t> packet(kFramedHeaderSize + n);
    BuildFramedPacket(packet.data(), kPacketTypeData, 0, sequence, data.data(),
                      static_cast<int>(n));
    FAnswers.push_back(packet);
  }

  bool TakeData(const uint8_t* report, int size) {
    const int piece = static_cast<int>(pieces.size());
    if (piece == failWriteOfPiece) return false;
    const uint8_t* data = report + (FKind == itHID_OLD ? 1 : kFramedHeaderSize);
    const uint32_t carried =
        FKind == itHID_OLD
            ? static_cast<uint32_t>(size - 1)
            : static_cast<uint32_t>((report[2] | report[3] << 8) - kFramedHeaderSize);
    const uint32_t n = std::min(carried, FWriteRemaining);
    received.insert(received.end(), data, data + n);
    pieces.push_back(n);
    FWriteRemaining -= n;
    if (FKind != itHID_OLD && piece != loseAckOfPiece) Reply(SequenceIn(report), {});
    return true;
  }

  TIntfType FKind;
  int FChunk;
  std::deque<std::vector<uint8_t>> FAnswers;
  TOpen FBlock{0, 0};
  uint32_t FBlockOffset = 0;
  uint32_t FWriteRemaining = 0;
};

inline TFakeLoader* OpenFakeLoader(TIntfType kind) {
  return OpenFreshLinkOver<TFakeLoader>(kind);
}

}  // namespace karvelm::testing
