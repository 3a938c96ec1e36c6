// A transport that records every report written and replays queued answers, so tests can
// check exact bytes on the wire and script lost, stale and failing replies.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "link/framing.h"
#include "link/transport.h"

namespace karvelm::testing {

using Bytes = std::vector<uint8_t>;

class TScriptedTransport final : public TLinkTransport {
 public:
  struct TRead {
    uint8_t reportId;  // byte 0 when the read was asked for
    int size;
    int timeout;
  };

  bool connected = true;
  int failWrites = 0;          // the next n writes are refused
  std::vector<Bytes> written;  // every write, at the size handed over
  std::vector<TRead> reads;    // every read asked for
  std::deque<Bytes> answers;   // replayed in order; an empty queue is a timeout
  // Called after each accepted write; may queue answers (a module that replies).
  std::function<void(const Bytes&)> onWrite;
  // Called on every read before it is answered (a test clock that moves with the traffic).
  std::function<void()> onRead;
  // When not empty, the answer to every read once the queue is empty: a module stuck on
  // one packet.
  Bytes repeat;

  bool Connected() const override { return connected; }

  bool Write(const uint8_t* report, int size) override {
    if (failWrites > 0) {
      --failWrites;
      return false;
    }
    written.emplace_back(report, report + size);
    if (onWrite) onWrite(written.back());
    return true;
  }

  bool Read(uint8_t* report, int size, int timeout, int* received) override {
    reads.push_back({report[0], size, timeout});
    if (onRead) onRead();
    Bytes answer;
    if (!answers.empty()) {
      answer = std::move(answers.front());
      answers.pop_front();
    } else if (!repeat.empty()) {
      answer = repeat;
    } else {
      return false;
    }
    const int count = std::min<int>(size, static_cast<int>(answer.size()));
    std::copy_n(answer.begin(), count, report);
    if (received) *received = count;
    return true;
  }
};

// A framed packet as the module sends it.
inline Bytes Framed(uint8_t type, uint8_t code, uint32_t sequence, const Bytes& payload = {}) {
  Bytes packet(kFramedHeaderSize + payload.size());
  BuildFramedPacket(packet.data(), type, code, sequence, payload.data(),
                    static_cast<int>(payload.size()));
  return packet;
}

// A legacy report as the module sends it: report ID 0, then the payload, 65 bytes in all.
inline Bytes Legacy(const Bytes& payload) {
  Bytes report(kLegacyReportSize, 0);
  std::copy(payload.begin(), payload.end(), report.begin() + 1);
  return report;
}

// The sequence field of a framed packet that was written.
inline uint32_t SequenceOf(const Bytes& packet) {
  return packet[4] | packet[5] << 8 | packet[6] << 16 | static_cast<uint32_t>(packet[7]) << 24;
}

}  // namespace karvelm::testing
