#include "link/module_commands.h"

#include <gtest/gtest.h>

#include <numeric>

#include "base/clock.h"
#include "fake_module_link.h"
#include "link/commands_codec.h"
#include "link_state_scope.h"

namespace karvelm {
namespace {

using fake::Bytes;
using fake::TFakeModuleLink;

class ModuleCommands : public ::testing::Test {
 protected:
  TFakeModuleLink* Open(TIntfType kind) { return module = fake::OpenFakeLink(kind); }
  TLinkStateScope linkState;
  TFakeModuleLink* module = nullptr;
};

class EveryKind : public ModuleCommands, public ::testing::WithParamInterface<TIntfType> {};

Bytes Pattern(size_t n, uint8_t seed = 1) {
  Bytes bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

TEST_P(EveryKind, ReadBusWordsSendsTheCountTwiceAndDecodesWords) {
  Open(GetParam());
  module->Answer({0x01, 0x00, 0xFF, 0xFF, 0x34, 0x12});
  uint16_t words[3] = {};
  ASSERT_TRUE(ReadBusWords(0xEF82, 3, words));
  ASSERT_EQ(module->Commands(), std::vector<uint8_t>{cmdReadBus});
  EXPECT_EQ(module->PayloadOf(0, 12), (Bytes{0x82, 0xEF, 0, 0, 0x03, 0, 0, 0, 0x03, 0, 0, 0}));
  EXPECT_EQ(words[0], 0x0001);
  EXPECT_EQ(words[1], 0xFFFF);
  EXPECT_EQ(words[2], 0x1234);
  ASSERT_EQ(module->reads.size(), 1u);
  EXPECT_EQ(module->reads[0].reportId, GetParam() == itHID_OLD ? 0 : 2) << "a data packet";
}

TEST_P(EveryKind, ReadBusWordsRefusesCountsOutsideOneToThirtyTwo) {
  Open(GetParam());
  uint16_t words[33] = {};
  EXPECT_FALSE(ReadBusWords(0xEF82, 0, words));
  EXPECT_FALSE(ReadBusWords(0xEF82, 33, words));
  EXPECT_FALSE(ReadBusWords(0xEF82, 1, nullptr));
  EXPECT_TRUE(module->written.empty());
}

TEST_P(EveryKind, EnterLoaderAndRestartAwaitNothing) {
  Open(GetParam());
  EXPECT_TRUE(EnterLoader());
  EXPECT_TRUE(Restart());
  EXPECT_EQ(module->Commands(), (std::vector<uint8_t>{cmdEnterLoader, cmdRestart}));
  EXPECT_TRUE(module->reads.empty());
  EXPECT_EQ(SequenceNumber, 2u);
}

TEST_P(EveryKind, WriteDacCorrectionsPausesSetsAndResumes) {
  const TIntfType kind = GetParam();
  Open(kind);
  const bool legacy = kind == itHID_OLD;
  if (!legacy)
    for (int i = 0; i < 3; ++i) module->Answer();
  TDacCorrections values{};
  values[0] = -1;
  values[7] = 5;
  ASSERT_TRUE(WriteDacCorrections(values));
  ASSERT_EQ(module->Commands(), (std::vector<uint8_t>{cmdPause, cmdSetDacCorrection, cmdResume}));
  const Bytes payload = module->PayloadOf(1, legacy ? 16 : 32);
  EXPECT_EQ(payload[0], 0xFF);
  EXPECT_EQ(payload[1], 0xFF);
  EXPECT_EQ(payload[legacy ? 14 : 28], 5);
  if (!legacy) {
    EXPECT_EQ(module->Sent(1).payload.size(), 32u);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::Values(itHID_OLD, itHID_NEW, itUDP));

// Reading a stored block: cmdOpenRead, then one data packet per chunk, each asked for with
// cmdReadNext on the framed links and streamed unasked by the first generation.
struct BlockCase {
  TIntfType kind;
  size_t readNexts;
  size_t dataReads;
  size_t lastChunk;
  Bytes openPayload;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
  *os << "kind " << int(c.kind);
}

class StoredBlock : public ModuleCommands, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(StoredBlock, ReadsEightKilobytesInChunksOfTheLink) {
  const BlockCase& c = GetParam();
  Open(c.kind);
  const Bytes block = Pattern(8192, 3);
  const size_t chunk = LinkSizes(c.kind).chunk;
  if (c.kind != itHID_OLD) module->Answer();  // cmdOpenRead's reply
  for (size_t at = 0; at < block.size(); at += chunk)
    module->Answer(Bytes(block.begin() + at, block.begin() + std::min(at + chunk, block.size())));

  Bytes destination(8192, 0);
  ASSERT_TRUE(ReadStoredBlock(0x3F800, 8192, destination.data()));
  EXPECT_EQ(destination, block);

  const std::vector<uint8_t> commands = module->Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands[0], cmdOpenRead);
  EXPECT_EQ(module->PayloadOf(0, 8), c.openPayload);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), cmdReadNext),
            static_cast<long>(c.readNexts));
  EXPECT_EQ(commands.size(), 1 + c.readNexts);
  size_t dataReads = 0;
  for (const auto& read : module->reads)
    dataReads += read.reportId == (c.kind == itHID_OLD ? 0 : 2);
  EXPECT_EQ(dataReads, c.dataReads);
  if (c.kind == itUDP) {
    EXPECT_EQ(module->Sent(module->written.size() - 1).payload.size(), 0u)
        << "cmdReadNext has no payload";
  }
  EXPECT_EQ(8192 - (c.dataReads - 1) * chunk, c.lastChunk);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, StoredBlock,
    ::testing::Values(BlockCase{itHID_OLD, 0, 128, 64, {0x00, 0xF8, 0x23, 0x00, 0x00, 0x20, 0, 0}},
                      BlockCase{itHID_NEW, 32, 32, 256, {0x00, 0xF8, 0x03, 0x00, 0x00, 0x20, 0, 0}},
                      BlockCase{itUDP, 8, 8, 828, {0x00, 0xF8, 0x03, 0x00, 0x00, 0x20, 0, 0}}));

TEST_F(ModuleCommands, StoredBlockIsNotReadWhenOpenReadFails) {
  Open(itUDP);
  module->Answer({}, kStatusFailure);
  Bytes destination(512, 0xAA);
  EXPECT_FALSE(ReadStoredBlock(0x3F800, 512, destination.data()));
  EXPECT_EQ(module->Commands(), std::vector<uint8_t>{cmdOpenRead});
  EXPECT_EQ(destination, Bytes(512, 0xAA));
}

TEST_F(ModuleCommands, WriteBusFormsOnTheWire) {
  Open(itUDP);
  module->Answer();
  module->Answer();
  ASSERT_TRUE(WriteConsoleKey(0x41));
  ASSERT_TRUE(WriteBusWord(0xEF82, 0x1234));
  EXPECT_EQ(module->Sent(0).payload,
            (Bytes{0x72, 0xFF, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  Bytes full(20, 0);
  full[0] = 0x82;
  full[1] = 0xEF;
  full[4] = 0x34;
  full[5] = 0x12;
  EXPECT_EQ(module->Sent(1).payload, full);
  EXPECT_EQ(module->reads[0].timeout, kTimeoutDefault);
}

TEST_F(ModuleCommands, LegacyWriteBusAwaitsNoReply) {
  Open(itHID_OLD);
  ASSERT_TRUE(WriteConsoleKey(0x41));
  EXPECT_EQ(module->PayloadOf(0, 12), (Bytes{0x72, 0xFF, 0x41, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(module->reads.empty());
}

TEST_F(ModuleCommands, WriteToLoaderAnnouncesTotalAndSendsChunkPieces) {
  Open(itUDP);
  for (int i = 0; i < 4; ++i) module->Answer();  // announcement and three acknowledgements
  const Bytes image = Pattern(2500);
  std::vector<std::pair<uint32_t, uint32_t>> progress;
  ASSERT_TRUE(
      WriteToLoader(cmdWriteFirmware, image.data(), 2500, [&](uint32_t sent, uint32_t total) {
        progress.push_back({sent, total});
      }));
  ASSERT_EQ(module->written.size(), 4u);
  EXPECT_EQ(module->Sent(0).code, cmdWriteFirmware);
  EXPECT_EQ(module->Sent(0).payload, (Bytes{0xC4, 0x09, 0x00, 0x00}));
  EXPECT_EQ(module->Sent(1).payload, Bytes(image.begin(), image.begin() + 1052));
  EXPECT_EQ(module->Sent(3).payload, Bytes(image.begin() + 2104, image.end()));
  EXPECT_FALSE(module->Sent(3).command);
  EXPECT_EQ(module->reads[0].timeout, kTimeoutDefault);
  EXPECT_EQ(module->reads[1].timeout, kTimeoutLoaderData);
  EXPECT_EQ(progress,
            (std::vector<std::pair<uint32_t, uint32_t>>{{1052, 2500}, {2104, 2500}, {2500, 2500}}));
}

TEST_F(ModuleCommands, WriteToLoaderStopsAtTheFirstUnacknowledgedPiece) {
  Open(itHID_NEW);
  module->Answer();  // announcement only
  const Bytes data = Pattern(600);
  int calls = 0;
  EXPECT_FALSE(
      WriteToLoader(cmdWriteConfig, data.data(), 600, [&](uint32_t, uint32_t) { ++calls; }));
  EXPECT_EQ(module->written.size(), 2u);
  EXPECT_EQ(calls, 0);
}

TEST_F(ModuleCommands, LegacyExtModuleQueryAndEmptySlot) {
  Open(itHID_OLD);
  Bytes reply(25, 0);
  reply[0] = 0x05;
  std::fill(reply.begin() + 1, reply.begin() + 17, 0xFF);
  reply[3] = 0;  // register base + 4 is served
  reply[17] = 0x00;
  reply[18] = 0x16;
  reply[19] = 0x00;
  reply[20] = 0x02;
  module->Answer(reply);
  module->Answer(Bytes(25, 0));
  ExtModuleInfo info;
  ASSERT_TRUE(GetExtModule(3, 1, info));
  EXPECT_EQ(module->PayloadOf(0, 8), (Bytes{0x03, 0x01, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(info.NetAddress, 5u);
  EXPECT_EQ(info.RegisterMap[2], 0);
  EXPECT_EQ(info.RegisterMap[3], 0xFF);
  EXPECT_EQ(FormatVersion(info.Version), "2.0.22.");
  ASSERT_TRUE(GetExtModule(3, 0, info));
  EXPECT_EQ(info.NetAddress, 0u);
}

TEST_F(ModuleCommands, FramedRepliesThatFailOrFallShortChangeNothing) {
  Open(itUDP);
  ExtModuleInfo info;
  info.NetAddress = 9;
  Bytes full(28, 0x11);
  module->Answer(full, kStatusFailure);  // status 0xFF, payload present
  module->Answer(Bytes(20, 0x22));       // short of the version
  module->Answer({0x01, 0x02});          // a 2-byte version reply
  EXPECT_FALSE(GetExtModule(0, 0, info));
  EXPECT_FALSE(GetExtModule(0, 0, info));
  EXPECT_EQ(info.NetAddress, 9u);
  EXPECT_EQ(info.RegisterMap[0], 0);
  uint32_t word = 0x1234;
  EXPECT_FALSE(GetVersion(word));
  EXPECT_EQ(word, 0x1234u);
  EXPECT_EQ(module->Sent(0).payload, (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ModuleCommands, LegacyPanelLinkAndDacReplies) {
  Open(itHID_OLD);
  module->Answer({0x00, 0x01, 0x00, 0x22, 0x00, 0x02});
  Bytes dac(16, 0);
  dac[0] = 0xFF;
  dac[1] = 0xFF;
  dac[14] = 0x00;
  dac[15] = 0x80;
  module->Answer(dac);
  PanelLinkInfo panel;
  ASSERT_TRUE(GetPanelLink(panel));
  EXPECT_EQ(panel.ConsolePresent, 0u);
  EXPECT_EQ(panel.PanelRegsPresent, 1u);
  EXPECT_EQ(panel.Version, 0x02002200u);
  TDacCorrections values{};
  ASSERT_TRUE(GetDacCorrection(values));
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(values[7], -32768);
  EXPECT_EQ(module->Commands(), (std::vector<uint8_t>{cmdGetPanelLink, cmdGetDacCorrection}));
}

TEST_F(ModuleCommands, StatsQueries) {
  Open(itHID_NEW);
  module->Answer({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0});
  module->Answer({4, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0});
  PanelLinkStats panel;
  ExtModuleStats ext;
  ASSERT_TRUE(GetPanelStats(panel));
  ASSERT_TRUE(GetExtModuleStats(6, 2, ext));
  EXPECT_EQ(panel.Errors, 3u);
  EXPECT_EQ(ext.Exchanges, 4u);
  EXPECT_EQ(module->Sent(0).payload.size(), 0u);
  EXPECT_EQ(module->Sent(1).payload, (Bytes{6, 0, 0, 0, 2, 0, 0, 0}));
}

TEST_F(ModuleCommands, BosiVersionIsAskedOnlyOfTheFirstGeneration) {
  Open(itUDP);
  uint32_t word = 0;
  EXPECT_FALSE(GetBosiVersion(word));
  EXPECT_TRUE(module->written.empty());
  CloseLink();
  Open(itHID_OLD);
  module->Answer({0x00, 0x05, 0x01, 0x01});
  ASSERT_TRUE(GetBosiVersion(word));
  EXPECT_EQ(word, 0x01010500u);
}

TEST_F(ModuleCommands, ProbesUseTheIdentityOfTheLinkKindAndTheShortTimeout) {
  Open(itHID_NEW);
  module->Answer({0x07, 0x3B});
  EXPECT_TRUE(ProbeFirmware());
  EXPECT_EQ(module->reads.back().timeout, kTimeoutProbe);
  module->Answer({0x07, 0x3B});
  module->Answer({0x07, 0x3B});
  module->Answer({0x07, 0x3B});
  EXPECT_FALSE(ProbeLoader());
  CloseLink();
  Open(itHID_OLD);
  module->Answer({0x05, 0x3B});
  EXPECT_TRUE(ProbeFirmware(kTimeoutDefault));
}

TEST_F(ModuleCommands, SaveDacCorrectionWaitsForTheModuleEvenOnFailure) {
  TFakeClock clock;
  SetClock(&clock);
  Open(itUDP);
  EXPECT_FALSE(SaveDacCorrection());  // no reply
  EXPECT_EQ(module->Commands(), std::vector<uint8_t>{cmdSaveDacCorrection});
  EXPECT_EQ(clock.Sleeps(), std::vector<int>{kPauseAfterDacSave});
}

TEST_F(ModuleCommands, NothingWithoutALink) {
  uint32_t word = 0;
  uint16_t words[1] = {};
  ExtModuleInfo info;
  EXPECT_FALSE(GetVersion(word));
  EXPECT_FALSE(ReadBusWords(0, 1, words));
  EXPECT_FALSE(WriteBusWord(0, 0));
  EXPECT_FALSE(GetExtModule(0, 0, info));
  EXPECT_FALSE(ProbeFirmware());
  EXPECT_FALSE(WritePieces(nullptr, 0));
}

}  // namespace
}  // namespace karvelm
