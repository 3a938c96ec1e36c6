#include "link/commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "link/commands_codec.h"

namespace karvelm {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes BytesOf(const TCommandPayload& payload) {
  return Bytes(payload.bytes.begin(), payload.bytes.begin() + payload.size);
}

// --- payload layouts --------------------------------------------------------------------

struct EncodeCase {
  const char* what;
  TCommandPayload payload;
  Bytes expected;
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
  *os << c.what;
}

class EncodeLayout : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeLayout, BytesOnTheWire) {
  EXPECT_EQ(BytesOf(GetParam().payload), GetParam().expected);
}

const TDacCorrections kDacValues = {-1, 1, -32768, 32767, 0x12345, 0, -2, 100};

INSTANTIATE_TEST_SUITE_P(
    Commands, EncodeLayout,
    ::testing::Values(
        EncodeCase{"write bus key legacy",
                   EncodeWriteBus(itHID_OLD, 0xFF72, 0x41, wfShort),
                   {0x72, 0xFF, 0x41, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}},
        EncodeCase{"write bus key framed",
                   EncodeWriteBus(itUDP, 0xFF72, 0x41, wfShort),
                   {0x72, 0xFF, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        EncodeCase{"write bus full legacy",
                   EncodeWriteBus(itHID_OLD, 0xEF82, 0xBEEF, wfFull),
                   {0x82, 0xEF, 0xEF, 0xBE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        EncodeCase{"write bus full framed",
                   EncodeWriteBus(itHID_NEW, 0xEF82, 0xBEEF, wfFull),
                   {0x82, 0xEF, 0, 0, 0xEF, 0xBE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        EncodeCase{"read bus 10 words at 167602",
                   EncodeReadBus(0xEF82, 10),
                   {0x82, 0xEF, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00}},
        EncodeCase{"open read legacy adds the loader offset",
                   EncodeOpenRead(itHID_OLD, 0x3F800, 8192),
                   {0x00, 0xF8, 0x23, 0x00, 0x00, 0x20, 0x00, 0x00}},
        EncodeCase{"open read framed",
                   EncodeOpenRead(itUDP, 0x3F800, 8192),
                   {0x00, 0xF8, 0x03, 0x00, 0x00, 0x20, 0x00, 0x00}},
        EncodeCase{"length", EncodeLength32(0x12345678), {0x78, 0x56, 0x34, 0x12}},
        EncodeCase{
            "prepare ext module", EncodePrepareExtModuleUpdate(0x0A), {0x0A, 0x00, 0x00, 0x00}},
        EncodeCase{"get ext module legacy",
                   EncodeGetExtModule(itHID_OLD, 6, 3),
                   {0x06, 0x03, 0, 0, 0, 0, 0, 0}},
        EncodeCase{"get ext module framed",
                   EncodeGetExtModule(itHID_NEW, 6, 3),
                   {0x06, 0, 0, 0, 0x03, 0, 0, 0}},
        EncodeCase{"ext module stats", EncodeExtModuleStats(2, 1), {0x02, 0, 0, 0, 0x01, 0, 0, 0}},
        EncodeCase{"dac legacy keeps the low 16 bits",
                   EncodeDacCorrection(itHID_OLD, kDacValues),
                   {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x80, 0xFF, 0x7F, 0x45, 0x23, 0x00, 0x00, 0xFE,
                    0xFF, 0x64, 0x00}},
        EncodeCase{
            "dac framed",
            EncodeDacCorrection(itUDP, kDacValues),
            {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0, 0, 0, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0,
             0x45, 0x23, 0x01, 0x00, 0,    0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x64, 0,    0, 0}}));

// --- reply decoders -----------------------------------------------------------------------

Bytes LegacyExtModuleReply(uint8_t netAddress) {
  Bytes reply(25, 0);
  reply[0] = netAddress;
  for (int i = 0; i < 16; ++i) reply[1 + i] = i % 3 == 0 ? 0xFF : static_cast<uint8_t>(i);
  reply[17] = 0xB0;  // version 1.1.21. in its bootloader
  reply[18] = 0x15;
  reply[19] = 0x01;
  reply[20] = 0x01;
  reply[21] = 0xEE;  // unused bytes must not leak anywhere
  return reply;
}

TEST(DecodeExtModule, LegacyLayoutEmptySlotAndVersion) {
  ExtModuleInfo info;
  info.TableRow = 7;
  Bytes reply = LegacyExtModuleReply(0x0A);
  ASSERT_TRUE(DecodeExtModule(itHID_OLD, reply.data(), 25, info));
  EXPECT_EQ(info.NetAddress, 0x0Au);
  EXPECT_EQ(info.Version, 0x010115B0u);
  EXPECT_EQ(info.RegisterMap[0], 0xFF);
  EXPECT_EQ(info.RegisterMap[1], 1);
  EXPECT_EQ(info.RegisterMap[15], 0xFF);
  EXPECT_EQ(info.TableRow, 7) << "the view's row is not part of the reply";

  reply = LegacyExtModuleReply(0);
  ASSERT_TRUE(DecodeExtModule(itHID_OLD, reply.data(), 25, info));
  EXPECT_EQ(info.NetAddress, 0u) << "byte 0 = 0 means an empty slot";
}

TEST(DecodeExtModule, FramedLayout) {
  Bytes reply(28, 0);
  reply[0] = 0x1A;
  reply[3] = 0x01;  // the address is a full 32-bit field
  reply[4] = 0x11;
  reply[19] = 0x22;
  reply[20] = 0x00;
  reply[21] = 0x22;
  reply[22] = 0x00;
  reply[23] = 0x02;
  reply[24] = 0x77;
  ExtModuleInfo info;
  info.TableRow = 3;
  ASSERT_TRUE(DecodeExtModule(itUDP, reply.data(), 28, info));
  EXPECT_EQ(info.NetAddress, 0x0100001Au);
  EXPECT_EQ(info.RegisterMap[0], 0x11);
  EXPECT_EQ(info.RegisterMap[15], 0x22);
  EXPECT_EQ(info.Version, 0x02002200u);
  EXPECT_EQ(info.TableRow, 3);
}

TEST(DecodePanelLink, BothLayouts) {
  const Bytes legacy = {0x01, 0x00, 0x00, 0x16, 0x00, 0x02};
  PanelLinkInfo info;
  ASSERT_TRUE(DecodePanelLink(itHID_OLD, legacy.data(), 6, info));
  EXPECT_EQ(info.ConsolePresent, 1u);
  EXPECT_EQ(info.PanelRegsPresent, 0u);
  EXPECT_EQ(info.Version, 0x02001600u) << "version starts at byte 2";

  const Bytes framed = {0, 0, 0, 0, 5, 0, 0, 0, 0x00, 0x22, 0x00, 0x02};
  ASSERT_TRUE(DecodePanelLink(itHID_NEW, framed.data(), 12, info));
  EXPECT_EQ(info.ConsolePresent, 0u);
  EXPECT_EQ(info.PanelRegsPresent, 5u);
  EXPECT_EQ(info.Version, 0x02002200u);
}

TEST(DecodeStats, ThreeCountersInFieldOrder) {
  const Bytes reply = {1, 0, 0, 0, 2, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  ExtModuleStats ext;
  ASSERT_TRUE(DecodeStats(reply.data(), 12, ext));
  EXPECT_EQ(ext.Exchanges, 1u);
  EXPECT_EQ(ext.Timeouts, 0x102u);
  EXPECT_EQ(ext.Errors, 0xFFFFFFFFu);
  PanelLinkStats panel;
  ASSERT_TRUE(DecodeStats(reply.data(), 12, panel));
  EXPECT_EQ(panel.Timeouts, 0x102u);
}

TEST(DecodeDacCorrection, LegacyValuesAreSignExtended) {
  Bytes legacy = {0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x01, 0x00};
  legacy.resize(16, 0);
  TDacCorrections values{};
  ASSERT_TRUE(DecodeDacCorrection(itHID_OLD, legacy.data(), 16, values));
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(values[1], -32768);
  EXPECT_EQ(values[2], 32767);
  EXPECT_EQ(values[3], 1);

  const TDacCorrections sent = {-1, 2, -300, 70000, 0, 0, 0, -70000};
  const TCommandPayload framed = EncodeDacCorrection(itUDP, sent);
  ASSERT_TRUE(DecodeDacCorrection(itUDP, framed.data(), framed.size, values));
  EXPECT_EQ(values, sent) << "framed values are full 32-bit and survive a round trip";
}

// Every decoder refuses a reply one byte short of what it needs and leaves its output alone;
// none reads a byte past n (the address sanitizer build checks the reads).
TEST(Decoders, ShortRepliesFailAndLeaveOutputUntouched) {
  const Bytes big(64, 0x5A);
  struct Case {
    const char* what;
    int needed;
    std::function<bool(const uint8_t*, int)> decode;
  };
  ExtModuleInfo ext;
  PanelLinkInfo panel;
  ExtModuleStats stats;
  TDacCorrections dac{};
  uint32_t word = 0;
  const std::vector<Case> cases = {
      {"ext module legacy", 21,
       [&](auto b, int n) { return DecodeExtModule(itHID_OLD, b, n, ext); }},
      {"ext module framed", 24, [&](auto b, int n) { return DecodeExtModule(itUDP, b, n, ext); }},
      {"panel link legacy", 6,
       [&](auto b, int n) { return DecodePanelLink(itHID_OLD, b, n, panel); }},
      {"panel link framed", 12,
       [&](auto b, int n) { return DecodePanelLink(itHID_NEW, b, n, panel); }},
      {"stats", 12, [&](auto b, int n) { return DecodeStats(b, n, stats); }},
      {"dac legacy", 16, [&](auto b, int n) { return DecodeDacCorrection(itHID_OLD, b, n, dac); }},
      {"dac framed", 32, [&](auto b, int n) { return DecodeDacCorrection(itUDP, b, n, dac); }},
      {"version", 4, [&](auto b, int n) { return DecodeVersion(b, n, word); }},
  };
  for (const Case& c : cases) {
    // Copy the short reply to a buffer of exactly that size, so a read past it is caught.
    const Bytes shortReply(big.begin(), big.begin() + c.needed - 1);
    EXPECT_FALSE(c.decode(shortReply.data(), c.needed - 1)) << c.what;
    EXPECT_FALSE(c.decode(nullptr, 0)) << c.what;
    EXPECT_FALSE(c.decode(big.data(), -1)) << c.what;
    EXPECT_EQ(ext.NetAddress, 0u) << c.what;
    EXPECT_EQ(panel.Version, 0u) << c.what;
    EXPECT_EQ(stats.Errors, 0u) << c.what;
    EXPECT_EQ(dac[0], 0) << c.what;
    EXPECT_EQ(word, 0u) << c.what;
    const Bytes exact(big.begin(), big.begin() + c.needed);
    EXPECT_TRUE(c.decode(exact.data(), c.needed)) << c.what;
    ext = {};
    panel = {};
    stats = {};
    dac = {};
    word = 0;
  }
}

TEST(FormatVersion, ThreeDecimalNumbersEachWithAPoint) {
  EXPECT_EQ(FormatVersion(0x02001600), "2.0.22.");
  EXPECT_EQ(FormatVersion(0x02002201), "2.0.34.") << "the low byte is not shown";
  EXPECT_EQ(FormatVersion(0x010115B0), "1.1.21.");
  EXPECT_EQ(FormatVersion(0xFFFFFFFF), "255.255.255.");
  EXPECT_EQ(FormatVersion(0), "0.0.0.");
}

// --- command table ------------------------------------------------------------------------

TEST(CommandTable, SharedCodesResolveBySide) {
  struct Case {
    uint8_t code;
    TCommandSide side;
    const char* name;
  } cases[] = {
      {0x09, csApplication, "cmdEnterLoader"},    {0x09, csBootloader, "cmdWriteFirmware"},
      {0x0C, csApplication, "cmdGetPanelLink"},   {0x0C, csBootloader, "cmdReadNext"},
      {0x01, csBootloader, "cmdIdentify"},        {0x02, csApplication, "cmdGetVersion"},
      {0x0A, csBootloader, "cmdGetOtherVersion"},
  };
  for (const Case& c : cases) EXPECT_STREQ(CommandName(c.code, c.side), c.name);
  EXPECT_EQ(FindCommand(cmdPause, csBootloader), nullptr) << "the bootloader knows no cmdPause";
  for (uint8_t unused : {0x00, 0x05, 0x06, 0x13, 0x1B, 0x23, 0xFF})
    EXPECT_EQ(FindCommand(unused, csBoth), nullptr) << int(unused);
  EXPECT_STREQ(CommandName(0x13, csBoth), "cmd?");
}

TEST(CommandTable, EntriesAreUniqueAndAgreeWithTheCodecs) {
  std::set<std::pair<int, int>> seen;
  for (const TCommandInfo& info : CommandTable()) {
    const bool bootloader = info.side == csBootloader;
    const bool application = info.side == csApplication;
    if (!bootloader) {
      EXPECT_TRUE(seen.insert({info.code, 0}).second) << info.name;
    }
    if (!application) {
      EXPECT_TRUE(seen.insert({info.code, 1}).second) << info.name;
    }
    EXPECT_EQ(std::string(info.name).rfind("cmd", 0), 0u) << info.name;
    EXPECT_EQ(info.timeout == 0, info.op == coSendOnly) << info.name;
    EXPECT_EQ(info.dataTimeout != 0, info.op == coTransactThenData) << info.name;
  }
  EXPECT_EQ(CommandTable().size(), 32u);

  const TCommandInfo* ext = FindCommand(cmdGetExtModule, csApplication);
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(ext->legacy.reply, ExtModuleReplySize(itHID_OLD));
  EXPECT_EQ(ext->framed.reply, ExtModuleReplySize(itUDP));
  const TCommandInfo* panel = FindCommand(cmdGetPanelLink, csApplication);
  EXPECT_EQ(panel->legacy.reply, PanelLinkReplySize(itHID_OLD));
  EXPECT_EQ(panel->framed.reply, PanelLinkReplySize(itHID_NEW));
  EXPECT_EQ(FindCommand(cmdSetDacCorrection, csApplication)->legacy.payload,
            DacCorrectionSize(itHID_OLD));
  EXPECT_EQ(FindCommand(cmdGetDacCorrection, csApplication)->framed.reply,
            DacCorrectionSize(itUDP));
  const TCommandInfo* writeBus = FindCommand(cmdWriteBus, csApplication);
  EXPECT_EQ(writeBus->framed.payload, BytesOf(EncodeWriteBus(itUDP, 0, 0, wfFull)).size());
  EXPECT_EQ(writeBus->framed.payloadAlt, BytesOf(EncodeWriteBus(itUDP, 0, 0, wfShort)).size());
  EXPECT_EQ(FindCommand(cmdPreparePanelUpdate, csApplication)->timeout, 2000);
  EXPECT_EQ(FindCommand(cmdWriteFirmware, csBootloader)->dataTimeout, 1550);
  EXPECT_EQ(FindCommand(cmdWriteExtModuleFirmware, csApplication)->dataTimeout, 2500);
  EXPECT_TRUE(FindCommand(cmdGetBosiVersion, csApplication)->legacyOnly);
}

}  // namespace
}  // namespace karvelm
