// A module for the diagnostics tests that acts on what it receives: bus words kept in a
// memory that hooks can wire together (harnesses), other commands answered by handlers.
// Every bus write, bus read and wait lands in one event log, in the order it happened.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "base/byte_order.h"
#include "base/clock.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/intf_type.h"
#include "link/transactions.h"
#include "link/transport.h"
#include "link_state_scope.h"

namespace karvelm::diagtest {

using Bytes = std::vector<uint8_t>;

struct TBusEvent {
  char what;         // 'W' bus write, 'R' bus read (value: count), 'S' wait (value: ms)
  uint16_t address;  // 0 for a wait
  uint32_t value;
  bool operator==(const TBusEvent&) const = default;
};

inline TBusEvent BusWrite(uint16_t address, uint32_t value) {
  return {'W', address, value};
}
inline TBusEvent BusRead(uint16_t address, uint32_t count = 1) {
  return {'R', address, count};
}
inline TBusEvent Slept(uint32_t ms) {
  return {'S', 0, ms};
}

inline std::ostream& operator<<(std::ostream& out, const TBusEvent& e) {
  return out << e.what << '(' << std::oct << e.address << std::dec << ", 0x" << std::hex << e.value
             << std::dec << ')';
}

// Sleeps are instant and logged beside the bus traffic.
class TEventClock final : public TClock {
 public:
  explicit TEventClock(std::vector<TBusEvent>& log) : FLog(log) {}
  uint64_t NowMs() override { return FNow; }
  void SleepMs(int ms) override {
    FNow += static_cast<uint64_t>(ms);
    FLog.push_back(Slept(static_cast<uint32_t>(ms)));
  }

 private:
  std::vector<TBusEvent>& FLog;
  uint64_t FNow = 0;
};

// One command as received: its code and payload (legacy: the report's 62 payload bytes).
struct TReceived {
  uint8_t code;
  Bytes payload;
};

class TFakeBusModule final : public TLinkTransport {
 public:
  using THandler = std::function<std::optional<Bytes>(const Bytes& payload)>;

  TFakeBusModule(TIntfType kind, std::vector<TBusEvent>& log) : FKind(kind), FLog(log) {}

  bool answersIdentify = true;
  std::map<uint16_t, uint16_t> memory;
  // Overrides of the memory: a read hook returns the word the module shows at an address
  // (nullopt: the memory's word); a write hook sees every write after it was stored.
  std::function<std::optional<uint16_t>(uint16_t address)> onRead;
  std::function<void(uint16_t address, uint32_t value)> onWrite;
  // Commands other than identify, bus read and bus write; no handler or nullopt: silence.
  std::map<uint8_t, THandler> handlers;
  std::vector<TReceived> received;  // every command, in order

  uint16_t Word(uint16_t address) const {
    const auto it = memory.find(address);
    return it == memory.end() ? 0 : it->second;
  }

  // Codes of the commands received, identify left out.
  std::vector<uint8_t> Codes() const {
    std::vector<uint8_t> codes;
    for (const TReceived& r : received)
      if (r.code != 0x01) codes.push_back(r.code);
    return codes;
  }

  bool Connected() const override { return true; }

  bool Write(const uint8_t* report, int size) override {
    uint8_t code = 0;
    uint32_t sequence = 0;
    Bytes payload;
    if (FKind == itHID_OLD) {
      if (size < 3 || report[1] != kLegacyCommandMarker) return true;  // data: not used here
      code = report[2];
      payload.assign(report + 3, report + size);
    } else {
      TFramedView view;
      if (!ParseFramedPacket(report, size, view) || view.type != kPacketTypeCommand) return true;
      code = view.code;
      sequence = view.sequence;
      payload.assign(view.payload, view.payload + view.payloadLength);
    }
    received.push_back({code, payload});
    payload.resize(std::max<size_t>(payload.size(), 20), 0);
    const bool legacy = FKind == itHID_OLD;
    switch (code) {
      case 0x01:
        if (answersIdentify) Reply(sequence, Word16(FirmwareIdFor(FKind)));
        break;
      case 0x03: {
        const uint16_t address = static_cast<uint16_t>(GetU32(payload.data()));
        const uint32_t count = GetU32(payload.data() + 4);
        FLog.push_back(BusRead(address, count));
        Bytes data;
        for (uint32_t i = 0; i < count; ++i) {
          const uint16_t at = static_cast<uint16_t>(address + 2 * i);
          std::optional<uint16_t> word = onRead ? onRead(at) : std::nullopt;
          const uint16_t value = word ? *word : Word(at);
          data.push_back(static_cast<uint8_t>(value));
          data.push_back(static_cast<uint8_t>(value >> 8));
        }
        Queue(kPacketTypeData, sequence, data);
        break;
      }
      case 0x04: {
        // Both layouts start with the address; the framed one in 32 bits.
        const uint16_t address = GetU16(payload.data());
        const uint32_t value = legacy ? GetU16(payload.data() + 2) : GetU32(payload.data() + 4);
        FLog.push_back(BusWrite(address, value));
        memory[address] = static_cast<uint16_t>(value);
        if (onWrite) onWrite(address, value);
        if (!legacy) Reply(sequence, {});
        break;
      }
      default: {
        const auto handler = handlers.find(code);
        if (handler == handlers.end()) break;
        std::optional<Bytes> reply = handler->second(received.back().payload);
        if (reply && !(legacy && reply->empty())) Reply(sequence, *reply);
        break;
      }
    }
    return true;
  }

  bool Read(uint8_t* report, int size, int, int* received) override {
    if (FAnswers.empty()) return false;
    Bytes packet = std::move(FAnswers.front());
    FAnswers.pop_front();
    if (FKind == itHID_NEW) packet.resize(static_cast<size_t>(size), 0);
    const int count = std::min<int>(size, static_cast<int>(packet.size()));
    std::copy_n(packet.begin(), count, report);
    if (received) *received = count;
    return true;
  }

 private:
  static Bytes Word16(uint16_t word) {
    return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)};
  }

  void Reply(uint32_t sequence, const Bytes& payload) {
    Queue(kPacketTypeCommand, sequence, payload);
  }

  void Queue(uint8_t type, uint32_t sequence, const Bytes& payload) {
    Bytes packet;
    if (FKind == itHID_OLD) {
      packet.assign(kLegacyReportSize, 0);
      std::copy_n(payload.begin(), std::min<size_t>(payload.size(), 64), packet.begin() + 1);
    } else {
      packet.resize(kFramedHeaderSize + payload.size());
      BuildFramedPacket(packet.data(), type, 0, sequence, payload.data(),
                        static_cast<int>(payload.size()));
    }
    FAnswers.push_back(std::move(packet));
  }

  TIntfType FKind;
  std::vector<TBusEvent>& FLog;
  std::deque<Bytes> FAnswers;
};

// Opens ActiveLink over a fake bus module on an event clock; closes it again on destruction.
class TFakeBusLink {
 public:
  explicit TFakeBusLink(TIntfType kind) : clock(log) {
    auto transport = std::make_unique<TFakeBusModule>(kind, log);
    module = transport.get();
    OpenLink(std::make_unique<TExtIntf>(kind, std::move(transport)));
  }
  TFakeBusLink(const TFakeBusLink&) = delete;
  TFakeBusLink& operator=(const TFakeBusLink&) = delete;

  // Bus writes, reads and waits only.
  std::vector<TBusEvent> log;
  TEventClock clock;
  TLinkStateScope linkState{&clock};
  TFakeBusModule* module = nullptr;
};

}  // namespace karvelm::diagtest
