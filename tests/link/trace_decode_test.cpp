// The decoded view of the packet trace: what each packet is, found from the packets before it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "base/byte_order.h"
#include "link/commands_codec.h"
#include "link/framing.h"
#include "link/trace_decode.h"

namespace karvelm {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Framed(uint8_t type, uint8_t code, uint32_t sequence, const Bytes& payload) {
  Bytes out(kFramedHeaderSize + payload.size());
  BuildFramedPacket(out.data(), type, code, sequence, payload.data(),
                    static_cast<int>(payload.size()));
  return out;
}

Bytes Command(uint8_t code, uint32_t sequence, const TCommandPayload& payload = {}) {
  return Framed(kPacketTypeCommand, code, sequence,
                Bytes(payload.data(), payload.data() + payload.size));
}

Bytes Reply(uint8_t status, uint32_t sequence, const Bytes& payload) {
  return Framed(kPacketTypeCommand, status, sequence, payload);
}

Bytes LegacyCommand(uint8_t code, const TCommandPayload& payload = {}) {
  Bytes out(kLegacyReportSize);
  BuildLegacyCommand(out.data(), code, payload.data(), payload.size);
  return out;
}

Bytes LegacyReport(const Bytes& body) {  // report ID 0, then the body
  Bytes out(kLegacyReportSize, 0);
  std::copy(body.begin(), body.end(), out.begin() + 1);
  return out;
}

Bytes U16(uint16_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

Bytes U32s(std::initializer_list<uint32_t> values) {
  Bytes out;
  for (uint32_t v : values) {
    uint8_t word[4];
    PutU32(word, v);
    out.insert(out.end(), word, word + 4);
  }
  return out;
}

struct TStep {
  TTraceDirection direction;
  Bytes bytes;
  const char* expected;  // the keys the decoded view must hold, with their values
};

struct TDecodeCase {
  const char* name;
  TIntfType kind;
  std::vector<TStep> steps;
};

std::ostream& operator<<(std::ostream& os, const TDecodeCase& c) {
  return os << c.name;
}

// Every key of expected is in actual with the same value; objects are compared key by key.
void ExpectHolds(const nlohmann::json& actual, const nlohmann::json& expected,
                 const std::string& where) {
  for (const auto& [key, value] : expected.items()) {
    ASSERT_TRUE(actual.contains(key)) << key << " missing in " << where;
    if (value.is_object())
      ExpectHolds(actual[key], value, where);
    else
      EXPECT_EQ(actual[key], value) << key << " in " << where;
  }
}

class TraceDecode : public ::testing::TestWithParam<TDecodeCase> {};

TEST_P(TraceDecode, EachPacketInItsContext) {
  const TDecodeCase& c = GetParam();
  TTraceDecoder decoder;
  for (size_t i = 0; i < c.steps.size(); ++i) {
    const TStep& step = c.steps[i];
    std::string line;
    TJsonLine json(line);
    json.BeginObject();
    decoder.Describe(step.direction, c.kind, step.bytes.data(), static_cast<int>(step.bytes.size()),
                     json);
    json.EndObject();
    nlohmann::json view;
    ASSERT_NO_THROW(view = nlohmann::json::parse(line)) << line;
    const nlohmann::json expected = nlohmann::json::parse(step.expected);
    ExpectHolds(view, expected, "packet " + std::to_string(i) + ": " + line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Packets, TraceDecode,
    ::testing::Values(
        TDecodeCase{"udp_bus_read",
                    itUDP,
                    {{tdToModule, Command(cmdReadBus, 7, EncodeReadBus(0167602, 2)),
                      R"({"type": "command", "command": "cmdReadBus", "code": 3, "seq": 7,
                          "length": 24, "valid": true,
                          "fields": {"address": "167602", "count": 2}})"},
                     {tdFromModule,
                      Framed(kPacketTypeData, 0, 7,
                             [] {
                               Bytes b = U16(0177777);
                               Bytes z = U16(0);
                               b.insert(b.end(), z.begin(), z.end());
                               return b;
                             }()),
                      R"({"type": "data", "command": "cmdReadBus", "seq": 7, "status": 0,
                          "ok": true, "size": 4, "fields": {"words": ["177777", "0"]}})"}}},
        // 0x0C is cmdReadNext to the bootloader and cmdGetPanelLink to the firmware: the
        // decoder follows the identity the last cmdIdentify reply gave.
        TDecodeCase{"usb2_program_decides_the_name",
                    itHID_NEW,
                    {{tdToModule, Command(cmdIdentify, 1), R"({"command": "cmdIdentify"})"},
                     {tdFromModule, Reply(0, 1, U16(LOADER_ID)),
                      R"({"type": "reply", "command": "cmdIdentify",
                          "fields": {"id": 15108, "program": "bootloader"}})"},
                     {tdToModule, Command(0x0C, 2), R"({"command": "cmdReadNext"})"},
                     {tdFromModule, Reply(kStatusFailure, 2, {}),
                      R"({"command": "cmdReadNext", "status": 255, "ok": false})"},
                     {tdToModule, Command(cmdIdentify, 3), R"({"command": "cmdIdentify"})"},
                     {tdFromModule, Reply(0, 3, U16(kFirmwareIdNew)),
                      R"({"fields": {"id": 15111, "program": "firmware"}})"},
                     {tdToModule, Command(0x0C, 4), R"({"command": "cmdGetPanelLink"})"},
                     {tdFromModule, Reply(0, 4, U32s({1, 0, 0x01090000})),
                      R"({"command": "cmdGetPanelLink",
                          "fields": {"console": 1, "panel_registers": 0,
                                     "version_word": 17367040, "version": "1.9.0."}})"}}},
        // Legacy data reports have no marker: a piece of an announced write that starts with
        // the command marker is still data, and the next command is a command again.
        TDecodeCase{
            "usb1_write_then_command",
            itHID_OLD,
            {{tdToModule, LegacyCommand(cmdWriteConfig, EncodeLength32(64)),
              R"({"type": "command", "command": "cmdWriteConfig", "seq": null,
                          "fields": {"total": 64}})"},
             {tdToModule, LegacyReport({kLegacyCommandMarker, cmdIdentify}),
              R"({"type": "data", "command": "cmdWriteConfig", "size": 64})"},
             {tdToModule, LegacyCommand(cmdGetExtModule, EncodeGetExtModule(itHID_OLD, 1, 2)),
              R"({"type": "command", "command": "cmdGetExtModule",
                          "fields": {"module_type": 1, "index": 2}})"},
             {tdFromModule, LegacyReport([] {
                Bytes b = {0x0A};
                b.resize(17, 0xFF);
                Bytes v = U32s({0x01011500});
                b.insert(b.end(), v.begin(), v.end());
                return b;
              }()),
              R"({"type": "reply", "command": "cmdGetExtModule",
                          "fields": {"net_address": 10, "version": "1.1.21."}})"}}},
        TDecodeCase{"udp_unparsable",
                    itUDP,
                    {{tdFromModule,
                      [] {
                        Bytes b = Reply(0, 1, U16(LOADER_ID));
                        PutU16(b.data() + 2, 200);  // beyond the bytes
                        return b;
                      }(),
                      R"({"type": null, "valid": false})"}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvelm
