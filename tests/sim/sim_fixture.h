// A link of one kind to an in-process simulated module on a fake clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "link_state_scope.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"
#include "sim/sim_transport.h"
#include "sim_violations.h"
#include "test_names.h"

namespace karvelm {

class SimLinkFixture {
 protected:
  void OpenSim(TIntfType kind, TSimConfig config = {}) {
    CloseSim();
    linkState.emplace(&clock);
    sim = std::make_unique<TModuleSim>(config, &clock);
    auto transport = std::make_unique<TSimTransport>(*sim, kind);
    simTransport = transport.get();
    OpenLink(std::make_unique<TExtIntf>(kind, std::move(transport)));
  }
  // Every test ends without a protocol violation it did not take (TakeViolations).
  void CloseSim() {
    if (sim) ExpectNoViolations(*sim);
    linkState.reset();  // the transport refers to the model
  }

  std::optional<uint32_t> Version(uint8_t code) {
    uint8_t reply[4] = {};
    if (!Transact(code, nullptr, 0, reply, 4, 250)) return std::nullopt;
    return GetU32(reply);
  }

  // The 20-byte cmdWriteBus form of the link kind.
  static std::vector<uint8_t> WriteBusPayload(bool legacy, uint16_t address, uint16_t value) {
    std::vector<uint8_t> payload(20, 0);
    if (legacy) {
      PutU16(payload.data(), address);
      PutU16(payload.data() + 2, value);
    } else {
      PutU32(payload.data(), address);
      PutU32(payload.data() + 4, value);
    }
    return payload;
  }
  bool WriteWord(uint16_t address, uint16_t value) {
    const std::vector<uint8_t> payload = WriteBusPayload(IsLegacyLink(), address, value);
    return Transact(0x04, payload.data(), static_cast<int>(payload.size()), nullptr, 0, 250);
  }

  static std::vector<uint8_t> ReadBusPayload(uint32_t address, uint32_t count) {
    std::vector<uint8_t> payload(12, 0);
    PutU32(payload.data(), address);
    PutU32(payload.data() + 4, count);
    PutU32(payload.data() + 8, count);
    return payload;
  }
  std::optional<std::vector<uint16_t>> ReadWords(uint16_t address, uint32_t count) {
    const std::vector<uint8_t> payload = ReadBusPayload(address, count);
    std::vector<uint8_t> data(2 * count, 0xEE);
    if (!ReadData(0x03, payload.data(), 12, data.data(), 2 * count, 250)) return std::nullopt;
    std::vector<uint16_t> words(count);
    for (uint32_t i = 0; i < count; ++i) words[i] = GetU16(data.data() + 2 * i);
    return words;
  }

  TFakeClock clock;
  std::unique_ptr<TModuleSim> sim;
  TSimTransport* simTransport = nullptr;
  std::optional<TLinkStateScope> linkState;
};

// The fixture for tests run on each link kind.
class SimKindTest : public SimLinkFixture, public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override { OpenSim(GetParam()); }
  void TearDown() override { CloseSim(); }
  TIntfType Kind() const { return GetParam(); }
  bool Framed() const { return GetParam() != itHID_OLD; }
};

#define KARVELM_ALL_KINDS ::testing::Values(itHID_OLD, itHID_NEW, itUDP), LinkKindParamName
#define KARVELM_FRAMED_KINDS ::testing::Values(itHID_NEW, itUDP), LinkKindParamName

}  // namespace karvelm
