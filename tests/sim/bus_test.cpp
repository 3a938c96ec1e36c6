// Bus memory through cmdWriteBus/cmdReadBus, and the exact bytes each kind puts on the link.
#include <algorithm>

#include "link/framing.h"
#include "sim/bus_memory.h"
#include "sim_fixture.h"

namespace karvelm {
namespace {

class SimBusTest : public SimKindTest {};

TEST_P(SimBusTest, WrittenWordsReadBack) {
  ASSERT_TRUE(WriteWord(0xEF82, 0x1234));
  ASSERT_TRUE(WriteWord(0xEF84, 0xBEEF));
  ASSERT_TRUE(WriteWord(0xFFFE, 0x00FF));
  EXPECT_EQ(sim->Bus().Peek(0xEF82), 0x1234);
  EXPECT_EQ(ReadWords(0xEF80, 4), (std::vector<uint16_t>{0, 0x1234, 0xBEEF, 0}));
  EXPECT_EQ(ReadWords(0xFFFE, 1), std::vector<uint16_t>{0x00FF});
  // The link's maximum of 32 words fits one packet on every kind.
  sim->Bus().Poke(0x1000 + 62, 0x7777);
  auto words = ReadWords(0x1000, 32);
  ASSERT_TRUE(words);
  EXPECT_EQ(words->back(), 0x7777);
  // On itHID_OLD nothing is queued for a write, so no stale report is left behind.
  EXPECT_EQ(sim->QueuedCount(), 0u);
  EXPECT_TRUE(CheckModule(FirmwareIdFor(Kind()), 250));
}

TEST_P(SimBusTest, WriteBusBytesOnTheLink) {
  ASSERT_TRUE(WriteWord(0xFF72, 0x41));
  const std::vector<uint8_t>& raw = sim->Received().back().raw;
  const std::vector<uint8_t> legacyPayload = {0x72, 0xFF, 0x41, 0x00, 0, 0, 0, 0};
  const std::vector<uint8_t> framedPayload = {0x72, 0xFF, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00};
  switch (Kind()) {
    case itHID_OLD:
      ASSERT_EQ(raw.size(), 65u);
      EXPECT_EQ(raw[0], 0);
      EXPECT_EQ(raw[1], 0x55);
      EXPECT_EQ(raw[2], cmdWriteBus);
      EXPECT_TRUE(std::equal(legacyPayload.begin(), legacyPayload.end(), raw.begin() + 3));
      break;
    case itHID_NEW:
      ASSERT_EQ(raw.size(), 64u);
      EXPECT_EQ(raw[0], 1) << "report ID and packet type";
      EXPECT_EQ(GetU16(raw.data() + 2), 32) << "12-byte header and 20-byte payload";
      EXPECT_TRUE(std::equal(framedPayload.begin(), framedPayload.end(), raw.begin() + 12));
      break;
    default:
      ASSERT_EQ(raw.size(), 32u) << "a datagram of exactly the packet length";
      EXPECT_EQ(raw[0], 1);
      EXPECT_TRUE(std::equal(framedPayload.begin(), framedPayload.end(), raw.begin() + 12));
      break;
  }
  EXPECT_EQ(sim->Bus().Peek(0xFF72), 0x41);
}

TEST_P(SimBusTest, ReadBusIsAnsweredByOneDataPacket) {
  for (int i = 0; i < 10; ++i) sim->Bus().Poke(static_cast<uint16_t>(0xEF82 + 2 * i), 0x100 + i);
  auto words = ReadWords(0xEF82, 10);
  ASSERT_TRUE(words);
  EXPECT_EQ((*words)[9], 0x109);

  const TSimRequest request = sim->Requests().back();
  EXPECT_EQ(request.code, cmdReadBus);
  const std::vector<uint8_t> expected = {0x82, 0xEF, 0, 0, 0x0A, 0, 0, 0, 0x0A, 0, 0, 0};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), request.payload.begin()));
  ASSERT_EQ(sim->Sent().size(), 1u);
  EXPECT_EQ(sim->Sent()[0].type, kSimTypeData);
  EXPECT_EQ(sim->Sent()[0].payload.size(), 20u);
}

TEST_P(SimBusTest, MalformedBusRequestsAreRefused) {
  struct {
    const char* what;
    uint32_t address, count, count2;
    const char* violation;
  } const cases[] = {
      {"no words", 0xEF82, 0, 0, "cmdReadBus: word count beyond one packet"},
      {"counts differ", 0xEF82, 4, 5, "cmdReadBus: the two word counts differ"},
      {"odd address", 0xEF83, 1, 1, "cmdReadBus: odd bus address"},
      {"past the end of the bus", 0xFFFE, 2, 2, "cmdReadBus: words beyond the bus"},
      {"address beyond 16 bits", 0x1EF82, 1, 1, "cmdReadBus: words beyond the bus"},
      {"more than one packet holds", 0x1000, 600, 600, "cmdReadBus: word count beyond one packet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> payload = ReadBusPayload(c.address, c.count);
    PutU32(payload.data() + 8, c.count2);
    uint8_t data[2] = {};
    EXPECT_FALSE(ReadData(cmdReadBus, payload.data(), 12, data, 2, 250));
    EXPECT_EQ(TakeViolations(*sim), std::vector<std::string>{c.violation});
  }
  EXPECT_EQ(sim->QueuedCount(), 0u) << "refusals come as data packets, so none is left over";
  if (Framed()) {
    const std::vector<uint8_t> odd = WriteBusPayload(false, 0xEF83, 1);
    EXPECT_FALSE(Transact(cmdWriteBus, odd.data(), 20, nullptr, 0, 250));
    EXPECT_EQ(TakeViolations(*sim), std::vector<std::string>{"cmdWriteBus: odd bus address"});
  }
}

TEST_P(SimBusTest, RegisterHooksSeeBusAccesses) {
  // A register that counts its reads, and one that keeps only the low byte written.
  uint16_t reads = 0;
  std::vector<uint16_t> written;
  sim->Bus().AddHook({0x2000, 0x2000, [&](uint16_t) { return ++reads; }, nullptr});
  TBusMemory& bus = sim->Bus();
  sim->Bus().AddHook({0x3000, 0x3002, nullptr, [&](uint16_t address, uint16_t value) {
                        written.push_back(address);
                        bus.Poke(address, value & 0xFF);
                      }});
  ASSERT_TRUE(WriteWord(0x3002, 0xABCD));
  EXPECT_EQ(written, std::vector<uint16_t>{0x3002});
  EXPECT_EQ(ReadWords(0x3000, 2), (std::vector<uint16_t>{0, 0xCD}));
  EXPECT_EQ(ReadWords(0x1FFE, 3), (std::vector<uint16_t>{0, 1, 0}));
  EXPECT_EQ(ReadWords(0x2000, 1), std::vector<uint16_t>{2});
  EXPECT_EQ(sim->Bus().Peek(0x2000), 0) << "Peek bypasses the hook";
}

TEST_P(SimBusTest, AnswersHaveTheReportSizesOfTheKind) {
  ASSERT_TRUE(SendCommand(cmdIdentify, nullptr, 0));
  const std::vector<uint8_t> payload = ReadBusPayload(0xEF82, 1);
  ASSERT_TRUE(SendCommand(cmdReadBus, payload.data(), 12));
  auto reply = sim->TakeDue();
  auto data = sim->TakeDue();
  ASSERT_TRUE(reply && data);
  switch (Kind()) {
    case itHID_OLD:
      EXPECT_EQ(reply->bytes.size(), 65u);
      EXPECT_EQ(reply->bytes[0], 0);
      EXPECT_EQ(GetU16(reply->bytes.data() + 1), 0x3B05) << "payload from byte 1";
      EXPECT_EQ(data->bytes.size(), 65u);
      break;
    case itHID_NEW:
      EXPECT_EQ(reply->bytes.size(), 64u);
      EXPECT_EQ(data->bytes.size(), 268u);
      EXPECT_EQ(data->bytes[0], 2);
      break;
    default:
      EXPECT_EQ(reply->bytes.size(), 64u) << "padded like the module's datagrams";
      EXPECT_EQ(GetU16(reply->bytes.data() + 2), 14) << "length counts only the packet";
      EXPECT_EQ(data->bytes.size(), 64u);
      break;
  }
  if (Framed()) {
    TFramedView view;
    ASSERT_TRUE(
        ParseFramedPacket(reply->bytes.data(), static_cast<int>(reply->bytes.size()), view));
    std::vector<uint8_t> check(reply->bytes.begin(), reply->bytes.begin() + view.length);
    std::fill(check.begin() + 8, check.begin() + 12, 0);
    EXPECT_EQ(view.checksumField, PacketChecksum(check.data(), check.size()));
    EXPECT_EQ(view.type, 1);
    EXPECT_EQ(view.code, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimBusTest, KARVELM_ALL_KINDS);

}  // namespace
}  // namespace karvelm
