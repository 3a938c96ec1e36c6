#include "link/transactions.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "link/ext_intf.h"
#include "link_state_scope.h"
#include "scripted_transport.h"

namespace karvelm {
namespace {

using testing::Bytes;
using testing::Framed;
using testing::Legacy;
using testing::SequenceOf;
using testing::TScriptedTransport;

class LinkTest : public ::testing::Test {
 protected:
  TScriptedTransport* Open(TIntfType kind) {
    auto transport = std::make_unique<TScriptedTransport>();
    TScriptedTransport* raw = transport.get();
    OpenLink(std::make_unique<TExtIntf>(kind, std::move(transport)));
    return raw;
  }
  TLinkStateScope linkState;
};

TEST(Framing, IdentifyCommandWithSequenceFive) {
  uint8_t packet[12];
  ASSERT_EQ(BuildFramedPacket(packet, 1, 0x01, 5, nullptr, 0), 12);
  EXPECT_EQ(Bytes(packet, packet + 12),
            (Bytes{0x01, 0x01, 0x0C, 0x00, 0x05, 0x00, 0x00, 0x00, 0x80, 0x26, 0x00, 0x00}));
}

TEST(Framing, ParseRejectsLengthsOutsideTheReceivedBytes) {
  Bytes good = Framed(1, 0, 7, {1, 2, 3});
  TFramedView view;
  ASSERT_TRUE(ParseFramedPacket(good.data(), static_cast<int>(good.size()), view));
  EXPECT_EQ(view.payloadLength, 3);
  EXPECT_EQ(view.sequence, 7u);

  struct Case {
    const char* what;
    int lengthField;
    int received;
  } cases[] = {
      {"length below the header", 11, 15},
      {"length zero", 0, 15},
      {"length beyond the bytes received", 16, 15},
      {"fewer bytes than a header", 12, 11},
  };
  for (const Case& c : cases) {
    Bytes packet = good;
    packet[2] = static_cast<uint8_t>(c.lengthField);
    packet[3] = 0;
    EXPECT_FALSE(ParseFramedPacket(packet.data(), c.received, view)) << c.what;
  }
}

TEST(Framing, ChecksumFieldIsNotCompared) {
  Bytes packet = Framed(1, 0, 3, {9});
  packet[8] ^= 0x5A;  // modules may fill the field differently; it is still accepted
  TFramedView view;
  EXPECT_TRUE(ParseFramedPacket(packet.data(), static_cast<int>(packet.size()), view));
  EXPECT_EQ(view.payload[0], 9);
}

TEST_F(LinkTest, NoLinkMeansNoTrafficAndFalse) {
  SequenceNumber = 9;
  uint8_t buffer[4];
  uint32_t seq = 0;
  EXPECT_FALSE(SendCommand(1, nullptr, 0));
  EXPECT_FALSE(ReceiveReply(buffer, 4, 10, seq));
  EXPECT_FALSE(SendDataPacket(buffer, 4));
  EXPECT_FALSE(ReceiveDataPacket(buffer, 4, 10, seq));
  EXPECT_FALSE(Transact(1, nullptr, 0, buffer, 2, 10));
  EXPECT_FALSE(WriteData(buffer, 4, 10));
  EXPECT_FALSE(ReadData(3, nullptr, 0, buffer, 4, 10));
  EXPECT_FALSE(CheckModule(LOADER_ID, 10));
  EXPECT_EQ(ChunkSize(), 0u);
  EXPECT_FALSE(IsLegacyLink());
  EXPECT_EQ(SequenceNumber, 9u);
  CloseLink();  // closing without a link does nothing
}

TEST_F(LinkTest, ChunkSizesAndLegacyFlagByKind) {
  struct Case {
    TIntfType kind;
    uint32_t chunk;
    bool legacy;
  } cases[] = {{itHID_OLD, 64, true}, {itHID_NEW, 256, false}, {itUDP, 1052, false}};
  for (const Case& c : cases) {
    Open(c.kind);
    EXPECT_EQ(ChunkSize(), c.chunk);
    EXPECT_EQ(IsLegacyLink(), c.legacy);
  }
}

TEST_F(LinkTest, CommandPacketSizesByKind) {
  const Bytes payload = {0xAA, 0xBB};
  struct Case {
    TIntfType kind;
    size_t commandSize;
    size_t dataSize;
  } cases[] = {{itHID_OLD, 65, 65}, {itHID_NEW, 64, 268}, {itUDP, 14, 14}};
  for (const Case& c : cases) {
    TScriptedTransport* wire = Open(c.kind);
    SequenceNumber = 0x01020304;
    ASSERT_TRUE(SendCommand(0x04, payload.data(), 2));
    ASSERT_TRUE(SendDataPacket(payload.data(), 2));
    ASSERT_EQ(wire->written.size(), 2u);
    const Bytes& command = wire->written[0];
    const Bytes& data = wire->written[1];
    EXPECT_EQ(command.size(), c.commandSize);
    EXPECT_EQ(data.size(), c.dataSize);
    EXPECT_EQ(SequenceNumber, 0x01020306u) << "every written packet counts";
    if (c.kind == itHID_OLD) {
      EXPECT_EQ(Bytes(command.begin(), command.begin() + 5), (Bytes{0, 0x55, 0x04, 0xAA, 0xBB}));
      EXPECT_EQ(Bytes(data.begin(), data.begin() + 3), (Bytes{0, 0xAA, 0xBB}));
    } else {
      EXPECT_EQ(Bytes(command.begin(), command.begin() + 4), (Bytes{1, 0x04, 14, 0}));
      EXPECT_EQ(SequenceOf(command), 0x01020304u);
      EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{2, 0, 14, 0}));
      EXPECT_EQ(SequenceOf(data), 0x01020305u);
      TFramedView view;
      EXPECT_TRUE(ParseFramedPacket(command.data(), 14, view));
      Bytes copy(command.begin(), command.begin() + 14);
      uint32_t field = view.checksumField;
      copy[8] = copy[9] = copy[10] = copy[11] = 0;
      EXPECT_EQ(field, PacketChecksum(copy.data(), copy.size()));
    }
  }
}

TEST_F(LinkTest, IdentifyCommandOnTheWireByKind) {
  const Bytes framed = {0x01, 0x01, 0x0C, 0x00, 0x05, 0x00, 0x00, 0x00, 0x80, 0x26, 0x00, 0x00};
  Bytes usbReport = framed;  // report ID 1 is the packet type; the report is zero-padded
  usbReport.resize(kNewCommandReportSize, 0);
  Bytes legacyReport(kLegacyReportSize, 0);  // report ID 0, marker, code; no sequence
  legacyReport[1] = kLegacyCommandMarker;
  legacyReport[2] = 0x01;
  struct Case {
    TIntfType kind;
    Bytes wire;
  } cases[] = {{itUDP, framed}, {itHID_NEW, usbReport}, {itHID_OLD, legacyReport}};
  for (const Case& c : cases) {
    TScriptedTransport* wire = Open(c.kind);
    SequenceNumber = 5;
    // Leftovers of an earlier, longer packet must not leak into the padding.
    if (c.kind == itHID_NEW) {
      const Bytes big(200, 0xCC);
      ASSERT_TRUE(SendDataPacket(big.data(), 200));
      wire->written.clear();
      SequenceNumber = 5;
    }
    ASSERT_TRUE(SendCommand(0x01, nullptr, 0));
    ASSERT_EQ(wire->written.size(), 1u);
    EXPECT_EQ(wire->written[0], c.wire) << "kind " << c.kind;
    EXPECT_EQ(SequenceNumber, 6u);
  }
}

TEST_F(LinkTest, RefusedWriteLeavesTheCounter) {
  TScriptedTransport* wire = Open(itUDP);
  SequenceNumber = 40;
  wire->failWrites = 1;
  EXPECT_FALSE(SendCommand(1, nullptr, 0));
  EXPECT_EQ(SequenceNumber, 40u);
}

TEST_F(LinkTest, TransactSkipsStaleRepliesAndCompletesOnItsOwn) {
  TScriptedTransport* wire = Open(itUDP);
  SequenceNumber = 10;
  wire->answers.push_back(Framed(1, 0, 8, {0x11, 0x11}));
  wire->answers.push_back(Framed(1, 0, 9, {0x22, 0x22}));
  wire->answers.push_back(Framed(1, 0, 10, {0x34, 0x12}));
  uint8_t reply[2] = {};
  ASSERT_TRUE(Transact(0x02, nullptr, 0, reply, 2, 250));
  EXPECT_EQ(reply[0], 0x34);
  EXPECT_EQ(reply[1], 0x12);
  EXPECT_EQ(SequenceNumber, 11u);
  ASSERT_EQ(wire->reads.size(), 3u);
  for (const auto& read : wire->reads) {
    EXPECT_EQ(read.size, 1036);
    EXPECT_EQ(read.timeout, 250) << "each wait gets the full timeout";
  }
}

// A module stuck on an old answer presents it again on every read, at once (a USB report
// read never times out). Each operation must end as a timeout does: after its own timeout
// when time moves with the reads, after kMaxStaleReplies when it does not.
TEST_F(LinkTest, EndlessStaleRepliesEndLikeATimeout) {
  enum TOp { opTransact, opWriteData, opReadData };
  struct Case {
    TIntfType kind;
    TOp op;
    bool clockMoves;  // 1 ms per read
  };
  std::vector<Case> cases;
  for (TIntfType kind : {itHID_NEW, itUDP})
    for (TOp op : {opTransact, opWriteData, opReadData})
      for (bool moves : {true, false}) cases.push_back({kind, op, moves});
  constexpr int kTimeout = 250;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "kind " << c.kind << " op " << c.op << " clock moves " << c.clockMoves);
    TFakeClock clock;
    SetClock(&clock);
    TScriptedTransport* wire = Open(c.kind);
    SequenceNumber = 100;
    wire->repeat = Framed(c.op == opReadData ? 2 : 1, 0, 42, Bytes(4, 0x5A));
    if (c.clockMoves) wire->onRead = [&clock] { clock.Advance(1); };
    uint8_t buffer[4] = {};
    bool ok = true;
    switch (c.op) {
      case opTransact:
        ok = Transact(0x02, nullptr, 0, buffer, 4, kTimeout);
        break;
      case opWriteData:
        ok = WriteData(buffer, 4, kTimeout);
        break;
      case opReadData:
        ok = ReadData(0x0C, nullptr, 0, buffer, 4, kTimeout);
        break;
    }
    SetClock(nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ(wire->reads.size(), c.clockMoves ? size_t{kTimeout} : size_t{kMaxStaleReplies});
    EXPECT_EQ(wire->written.size(), 1u) << "nothing is sent again";
    // The failure rules of a timeout: Transact keeps the last reply's number, the others
    // give back the one their packet took.
    EXPECT_EQ(SequenceNumber, c.op == opTransact ? 42u : 100u);
  }
}

// An answer numbered like the packet after the command's own is not its answer: it is
// skipped like a stale one, on every operation that checks the number.
TEST_F(LinkTest, AnswerNumberedAheadIsRefused) {
  enum TOp { opTransact, opWriteData, opReadData };
  for (TOp op : {opTransact, opWriteData, opReadData}) {
    SCOPED_TRACE(op);
    const uint8_t type = op == opReadData ? 2 : 1;
    for (bool ownFollows : {true, false}) {
      TScriptedTransport* wire = Open(itUDP);
      SequenceNumber = 10;
      wire->answers.push_back(Framed(type, 0, 11, {0xEE, 0xEE}));
      if (ownFollows) wire->answers.push_back(Framed(type, 0, 10, {0x34, 0x12}));
      uint8_t buffer[2] = {};
      bool ok = false;
      switch (op) {
        case opTransact:
          ok = Transact(0x02, nullptr, 0, buffer, 2, 250);
          break;
        case opWriteData:
          ok = WriteData(buffer, 2, 250);
          break;
        case opReadData:
          ok = ReadData(0x03, nullptr, 0, buffer, 2, 250);
          break;
      }
      EXPECT_EQ(ok, ownFollows);
      EXPECT_EQ(wire->reads.size(), 2u) << "the wait goes on after it";
      if (ownFollows) {
        EXPECT_EQ(SequenceNumber, 11u);
        if (op != opWriteData) {
          EXPECT_EQ(buffer[0], 0x34);
          EXPECT_EQ(buffer[1], 0x12);
        }
      } else {
        // As a timeout after a skipped answer.
        EXPECT_EQ(SequenceNumber, op == opTransact ? 11u : 10u);
      }
    }
  }
}

TEST_F(LinkTest, FailureStatusKeepsPayloadAndSequence) {
  TScriptedTransport* wire = Open(itUDP);
  SequenceNumber = 77;
  wire->answers.push_back(Framed(1, 0xFF, 77, {0xAB, 0xCD}));
  uint8_t reply[2] = {};
  EXPECT_FALSE(Transact(0x02, nullptr, 0, reply, 2, 250));
  EXPECT_EQ(reply[0], 0xAB);
  EXPECT_EQ(reply[1], 0xCD);
  EXPECT_EQ(SequenceNumber, 77u);
}

TEST_F(LinkTest, TransactThatHearsNothingResetsTheCounter) {
  Open(itUDP);
  SequenceNumber = 1234;
  uint8_t reply[2];
  EXPECT_FALSE(Transact(0x01, nullptr, 0, reply, 2, 10));
  EXPECT_EQ(SequenceNumber, 0u);

  // A stale reply that passed the checks before the timeout is what the counter becomes.
  TScriptedTransport* wire = Open(itUDP);
  SequenceNumber = 50;
  wire->answers.push_back(Framed(1, 0, 31));
  EXPECT_FALSE(Transact(0x01, nullptr, 0, reply, 2, 10));
  EXPECT_EQ(SequenceNumber, 31u);

  // A command that could not be written: no reply is waited for, and the counter restarts.
  wire = Open(itUDP);
  SequenceNumber = 50;
  wire->failWrites = 1;
  wire->answers.push_back(Framed(1, 0, 50));  // would be taken if anything were read
  EXPECT_FALSE(Transact(0x01, nullptr, 0, reply, 2, 10));
  EXPECT_EQ(SequenceNumber, 0u);
  EXPECT_TRUE(wire->reads.empty());
  EXPECT_TRUE(wire->written.empty());
}

TEST_F(LinkTest, RejectedReplyLeavesDestinationAndSequenceUntouched) {
  TScriptedTransport* wire = Open(itUDP);
  Bytes bad = Framed(1, 0, 3, {0x55, 0x66});
  bad[2] = 40;  // length field beyond the 14 bytes received
  wire->answers.push_back(bad);
  uint8_t reply[2] = {0xEE, 0xEE};
  uint32_t seq = 99;
  EXPECT_FALSE(ReceiveReply(reply, 2, 10, seq));
  EXPECT_EQ(seq, 99u);
  EXPECT_EQ(reply[0], 0xEE);
}

TEST_F(LinkTest, HeaderOnlyReplyCopiesNothing) {
  TScriptedTransport* wire = Open(itHID_NEW);
  SequenceNumber = 4;
  wire->answers.push_back(Framed(1, 0, 4));
  uint8_t reply[4] = {1, 2, 3, 4};
  ASSERT_TRUE(Transact(0x0A, nullptr, 0, reply, 4, 250));
  EXPECT_EQ(reply[0], 1);
  EXPECT_EQ(reply[3], 4);
  ASSERT_EQ(wire->reads.size(), 1u);
  EXPECT_EQ(wire->reads[0].reportId, 1);
  EXPECT_EQ(wire->reads[0].size, 64);
}

TEST_F(LinkTest, LegacyTransactWithoutReplyDataDoesNotRead) {
  TScriptedTransport* wire = Open(itHID_OLD);
  ASSERT_TRUE(Transact(0x04, nullptr, 0, nullptr, 0, 250));
  EXPECT_TRUE(wire->reads.empty());
  EXPECT_EQ(SequenceNumber, 1u);

  // With reply data one report is read and its payload starts at byte 1; no sequence check.
  wire->answers.push_back(Legacy({0x05, 0x3B}));
  uint8_t reply[2] = {};
  ASSERT_TRUE(Transact(0x01, nullptr, 0, reply, 2, 250));
  EXPECT_EQ(reply[0], 0x05);
  EXPECT_EQ(reply[1], 0x3B);
  ASSERT_EQ(wire->reads.size(), 1u);
  EXPECT_EQ(wire->reads[0].reportId, 0);
  EXPECT_EQ(wire->reads[0].size, 65);
  EXPECT_EQ(SequenceNumber, 2u);
}

TEST_F(LinkTest, WriteDataAcknowledgement) {
  const uint8_t data[3] = {1, 2, 3};
  {
    TScriptedTransport* wire = Open(itHID_OLD);
    EXPECT_TRUE(WriteData(data, 3, 1550));
    EXPECT_TRUE(wire->reads.empty()) << "legacy pieces are not acknowledged";
  }
  {
    TScriptedTransport* wire = Open(itUDP);
    SequenceNumber = 20;
    wire->answers.push_back(Framed(1, 0, 19));  // stale
    wire->answers.push_back(Framed(1, 0, 20));
    EXPECT_TRUE(WriteData(data, 3, 1550));
    EXPECT_EQ(SequenceNumber, 21u);
    EXPECT_EQ(wire->reads.size(), 2u);
  }
  {
    TScriptedTransport* wire = Open(itUDP);
    SequenceNumber = 20;
    wire->failWrites = 1;
    EXPECT_FALSE(WriteData(data, 3, 1550));
    EXPECT_EQ(SequenceNumber, 19u) << "a piece that was not written still costs one";
  }
  {
    Open(itUDP);
    SequenceNumber = 20;
    EXPECT_FALSE(WriteData(data, 3, 1550));  // no acknowledgement
    EXPECT_EQ(SequenceNumber, 20u);
  }
}

TEST_F(LinkTest, ReceiveDataPacketOfLengthZeroDoesNotRead) {
  TScriptedTransport* wire = Open(itUDP);
  uint8_t buffer[1];
  uint32_t seq = 0;
  EXPECT_FALSE(ReceiveDataPacket(buffer, 0, 10, seq));
  EXPECT_TRUE(wire->reads.empty());
}

TEST_F(LinkTest, ReadDataOfNothingHasNoTraffic) {
  TScriptedTransport* wire = Open(itUDP);
  EXPECT_TRUE(ReadData(0x0C, nullptr, 0, nullptr, 0, 250));
  EXPECT_TRUE(wire->written.empty());
  EXPECT_TRUE(wire->reads.empty());
}

TEST_F(LinkTest, ReadDataChunksOnTheFramedUsbLink) {
  TScriptedTransport* wire = Open(itHID_NEW);
  // A module that answers every command with a data packet of 256 bytes of its number.
  wire->onWrite = [wire](const Bytes& packet) {
    Bytes data(256, static_cast<uint8_t>(SequenceOf(packet)));
    wire->answers.push_back(Framed(2, 0, SequenceOf(packet), data));
  };
  const uint8_t payload[2] = {0x12, 0x34};
  Bytes destination(512, 0);
  ASSERT_TRUE(ReadData(0x0C, payload, 2, destination.data(), 512, 250));
  ASSERT_EQ(wire->written.size(), 2u);
  for (const Bytes& command : wire->written) {
    EXPECT_EQ(command.size(), 64u);
    EXPECT_EQ(command[1], 0x0C);
    EXPECT_EQ(command[12], 0x12);
    EXPECT_EQ(command[13], 0x34);
  }
  ASSERT_EQ(wire->reads.size(), 2u);
  EXPECT_EQ(wire->reads[0].reportId, 2);
  EXPECT_EQ(wire->reads[0].size, 268);
  EXPECT_EQ(destination[0], 0);
  EXPECT_EQ(destination[255], 0);
  EXPECT_EQ(destination[256], 1);
  EXPECT_EQ(destination[511], 1);
}

TEST_F(LinkTest, ReadDataOnLegacyLinkWithoutCommand) {
  TScriptedTransport* wire = Open(itHID_OLD);
  for (int i = 0; i < 8; ++i) wire->answers.push_back(Legacy(Bytes(64, static_cast<uint8_t>(i))));
  Bytes destination(512, 0xEE);
  ASSERT_TRUE(ReadData(0, nullptr, 0, destination.data(), 512, 250));
  EXPECT_TRUE(wire->written.empty());
  EXPECT_EQ(wire->reads.size(), 8u);
  EXPECT_EQ(destination[64 * 7], 7);
  EXPECT_EQ(SequenceNumber, 0u);
}

TEST_F(LinkTest, ReadDataShortPacketAdvancesByTheFullChunk) {
  TScriptedTransport* wire = Open(itUDP);
  wire->onWrite = [wire](const Bytes& packet) {
    wire->answers.push_back(Framed(2, 0, SequenceOf(packet), Bytes(10, 0x77)));
  };
  Bytes destination(1100, 0xEE);
  ASSERT_TRUE(ReadData(0x0C, nullptr, 0, destination.data(), 1100, 250));
  EXPECT_EQ(wire->written.size(), 2u);
  EXPECT_EQ(destination[9], 0x77);
  EXPECT_EQ(destination[10], 0xEE) << "missing bytes keep what was there";
  EXPECT_EQ(destination[1052], 0x77) << "the second chunk starts after a full chunk";
}

TEST_F(LinkTest, ReadDataFailures) {
  uint8_t destination[8];
  {
    TScriptedTransport* wire = Open(itUDP);
    SequenceNumber = 10;
    EXPECT_FALSE(ReadData(0x03, nullptr, 0, destination, 8, 250));  // command sent, no data
    EXPECT_EQ(wire->written.size(), 1u);
    EXPECT_EQ(SequenceNumber, 10u);
  }
  {
    TScriptedTransport* wire = Open(itUDP);
    SequenceNumber = 10;
    wire->failWrites = 1000;  // the command never goes out: bounded, then a failed chunk
    EXPECT_FALSE(ReadData(0x03, nullptr, 0, destination, 8, 250));
    EXPECT_TRUE(wire->reads.empty());
    EXPECT_EQ(wire->failWrites, 1000 - kReadDataCommandAttempts);
    EXPECT_EQ(SequenceNumber, 9u);
  }
  {
    TScriptedTransport* wire = Open(itUDP);
    SequenceNumber = 10;
    wire->failWrites = kReadDataCommandAttempts - 1;  // goes out on the last attempt
    wire->onWrite = [wire](const Bytes& packet) {
      wire->answers.push_back(Framed(2, 0, SequenceOf(packet), Bytes(8, 1)));
    };
    EXPECT_TRUE(ReadData(0x03, nullptr, 0, destination, 8, 250));
  }
}

TEST_F(LinkTest, CheckModuleAttempts) {
  struct Case {
    const char* what;
    std::vector<Bytes> replies;  // answers to successive identify commands, {} = silence
    bool expected;
    size_t commandsSent;
    uint16_t identity = LOADER_ID;  // asked for
  };
  auto id = [](uint16_t v) { return Bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; };
  const Case cases[] = {
      {"first answer matches", {id(LOADER_ID)}, true, 1},
      {"other identity then match", {id(0x3B07), id(LOADER_ID)}, true, 2},
      {"silence twice then match", {{}, {}, id(LOADER_ID)}, true, 3},
      {"three wrong answers", {id(0x3B07), id(0x3B07), id(0x3B07)}, false, 3},
      {"one-byte reply is a mismatch", {{0x04}, {0x04}, {0x04}}, false, 3},
      // The missing high byte must not be taken as 0, nor as what an earlier reply left.
      {"one-byte reply matching the low byte", {{0x04}, {0x04}, {0x04}}, false, 3, 0x0004},
      {"one-byte reply after another identity", {id(0x3B05), {0x04}, {0x04}}, false, 3},
      {"nothing at all", {}, false, 3},
  };
  for (const Case& c : cases) {
    TScriptedTransport* wire = Open(itUDP);
    SequenceNumber = 0;
    size_t next = 0;
    wire->onWrite = [&](const Bytes& packet) {
      if (next < c.replies.size() && (!c.replies[next].empty() || packet[1] != 1))
        wire->answers.push_back(Framed(1, 0, SequenceOf(packet), c.replies[next]));
      ++next;
    };
    EXPECT_EQ(CheckModule(c.identity, 10), c.expected) << c.what;
    EXPECT_EQ(wire->written.size(), c.commandsSent) << c.what;
    for (const Bytes& command : wire->written) EXPECT_EQ(command[1], 0x01);
  }
}

TEST_F(LinkTest, CheckModuleOnDisconnectedLinkSendsNothing) {
  TScriptedTransport* wire = Open(itHID_NEW);
  wire->connected = false;
  EXPECT_FALSE(CheckModule(0x3B07, 10));
  EXPECT_TRUE(wire->written.empty());
}

// A link that is not connected hands nothing to its transport, on any kind, even when the
// transport itself would take it.
TEST_F(LinkTest, DisconnectedLinkCarriesNoTraffic) {
  for (TIntfType kind : {itHID_OLD, itHID_NEW, itUDP}) {
    SCOPED_TRACE(kind);
    TScriptedTransport* wire = Open(kind);
    wire->connected = false;
    wire->answers.push_back(kind == itHID_OLD ? Legacy({1, 2}) : Framed(1, 0, 0, {1, 2}));
    SequenceNumber = 0;
    uint8_t buffer[4] = {};
    EXPECT_FALSE(ActiveLink->Write(buffer, 4));
    EXPECT_FALSE(SendCommand(0x02, nullptr, 0));
    EXPECT_FALSE(SendDataPacket(buffer, 4));
    EXPECT_FALSE(Transact(0x02, nullptr, 0, buffer, 2, 10));
    EXPECT_FALSE(ReadData(0x0C, nullptr, 0, buffer, 4, 10));
    uint32_t seq = 0;
    EXPECT_FALSE(ReceiveReply(buffer, 2, 10, seq));
    EXPECT_TRUE(wire->written.empty());
    EXPECT_TRUE(wire->reads.empty());
  }
}

TEST_F(LinkTest, CounterWrapsModulo32Bits) {
  TScriptedTransport* wire = Open(itUDP);
  SequenceNumber = 0xFFFFFFFFu;
  wire->answers.push_back(Framed(1, 0, 0xFFFFFFFFu));
  EXPECT_TRUE(Transact(0x02, nullptr, 0, nullptr, 0, 10));
  EXPECT_EQ(SequenceNumber, 0u);
}

}  // namespace
}  // namespace karvelm
