// A scripted module for the typed command calls: records every packet written and answers
// reads from a queue, framing each answer for the link kind with the sequence number of the
// last packet written, as a module that keeps up would.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/transactions.h"
#include "link/transport.h"
#include "link_state_scope.h"

namespace karvelm::fake {

using Bytes = std::vector<uint8_t>;

// One packet as the module received it.
struct TSent {
  bool command = false;  // false: a data packet
  uint8_t code = 0;
  Bytes payload;  // framed: exactly the payload; legacy: the whole report after the header
};

class TFakeModuleLink final : public TLinkTransport {
 public:
  struct TAnswer {
    Bytes payload;
    uint8_t status = 0;  // framed code byte; 0xFF = failure
  };
  struct TRead {
    uint8_t reportId;
    int timeout;
  };

  explicit TFakeModuleLink(TIntfType kind) : kind_(kind) {}

  std::vector<Bytes> written;
  std::vector<TRead> reads;
  std::deque<TAnswer> answers;  // an empty queue is a timeout

  void Answer(Bytes payload = {}, uint8_t status = 0) {
    answers.push_back({std::move(payload), status});
  }

  bool Connected() const override { return true; }

  bool Write(const uint8_t* report, int size) override {
    written.emplace_back(report, report + size);
    return true;
  }

  bool Read(uint8_t* report, int size, int timeout, int* received) override {
    reads.push_back({report[0], timeout});
    if (answers.empty()) return false;
    TAnswer answer = std::move(answers.front());
    answers.pop_front();
    Bytes packet;
    if (kind_ == itHID_OLD) {
      packet.assign(kLegacyReportSize, 0);
      std::copy_n(answer.payload.begin(), std::min<size_t>(answer.payload.size(), 64),
                  packet.begin() + 1);
    } else {
      packet.resize(kFramedHeaderSize + answer.payload.size());
      // Byte 0 asks for reply (1) or data (2): answer with that packet type.
      BuildFramedPacket(packet.data(), report[0], answer.status, LastSequence(),
                        answer.payload.data(), static_cast<int>(answer.payload.size()));
      if (kind_ == itHID_NEW) packet.resize(static_cast<size_t>(size), 0);  // full reports
    }
    const int count = std::min<int>(size, static_cast<int>(packet.size()));
    std::copy_n(packet.begin(), count, report);
    if (received) *received = count;
    return true;
  }

  TSent Sent(size_t i) const {
    const Bytes& p = written.at(i);
    TSent sent;
    if (kind_ == itHID_OLD) {
      sent.command = p[1] == kLegacyCommandMarker;
      sent.code = sent.command ? p[2] : 0;
      sent.payload.assign(p.begin() + (sent.command ? 3 : 1), p.end());
    } else {
      sent.command = p[0] == kPacketTypeCommand;
      sent.code = p[1];
      const size_t length = static_cast<size_t>(p[2] | p[3] << 8);
      sent.payload.assign(p.begin() + kFramedHeaderSize, p.begin() + std::min(length, p.size()));
    }
    return sent;
  }
  // Indexes of the data packets written.
  std::vector<size_t> DataPacketIndexes() const {
    std::vector<size_t> found;
    for (size_t i = 0; i < written.size(); ++i)
      if (!Sent(i).command) found.push_back(i);
    return found;
  }

  // Codes of the command packets, in order (data packets left out).
  std::vector<uint8_t> Commands() const {
    std::vector<uint8_t> codes;
    for (size_t i = 0; i < written.size(); ++i)
      if (Sent(i).command) codes.push_back(Sent(i).code);
    return codes;
  }

  // The first n payload bytes of packet i.
  Bytes PayloadOf(size_t i, size_t n) const {
    Bytes payload = Sent(i).payload;
    payload.resize(std::min(n, payload.size()));
    return payload;
  }

 private:
  uint32_t LastSequence() const {
    if (written.empty()) return 0;
    const Bytes& p = written.back();
    return p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
  }

  TIntfType kind_;
};

// Opens ActiveLink over a fake module, the process-wide counter from zero.
inline TFakeModuleLink* OpenFakeLink(TIntfType kind) {
  return OpenFreshLinkOver<TFakeModuleLink>(kind);
}

}  // namespace karvelm::fake
