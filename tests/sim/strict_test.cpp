// The simulated module refuses what a real module would refuse and records each refusal as a
// protocol violation: for every check, a packet that breaks it and one that does not.
#include <functional>
#include <string>
#include <vector>

#include "config/byte_stream.h"
#include "config/config_records.h"
#include "link/framing.h"
#include "link/module_commands.h"
#include "sim/storage_model.h"
#include "sim_fixture.h"

namespace karvelm {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Framed(TIntfType kind, uint8_t type, uint8_t code, uint32_t sequence,
              const TBytes& payload) {
  TBytes packet(kFramedHeaderSize + payload.size());
  BuildFramedPacket(packet.data(), type, code, sequence, payload.data(),
                    static_cast<int>(payload.size()));
  if (kind == itHID_NEW)
    packet.resize(type == kPacketTypeData ? kNewDataReportSize : kNewCommandReportSize, 0);
  return packet;
}

TBytes Legacy(uint8_t code, const TBytes& payload) {
  TBytes report(kLegacyReportSize, 0);
  report[1] = kLegacyCommandMarker;
  report[2] = code;
  std::copy(payload.begin(), payload.end(), report.begin() + 3);
  return report;
}

TBytes U32s(std::initializer_list<uint32_t> values, size_t size = 0) {
  TBytes bytes;
  for (uint32_t v : values) SimAppendU32(bytes, v);
  bytes.resize(std::max(size, bytes.size()), 0);
  return bytes;
}

// One packet written to a fresh module running program; what it breaks, if anything.
struct TPacketCase {
  const char* name;
  TIntfType kind;
  TSimProgram program;
  TBytes packet;
  const char* violation;  // nullptr: a packet a real module takes
};

void PrintTo(const TPacketCase& c, std::ostream* os) {
  *os << c.name;
}

const TPacketCase kPacketCases[] = {
    // Report sizes and IDs per USB generation.
    {"OldReportOfNewSize", itHID_OLD, spFirmware, TBytes(64, 0),
     "64-byte report with ID 0; a first-generation module takes 65 bytes, ID 0 (written)"},
    {"OldReportWithId1", itHID_OLD, spFirmware,
     [] {
       TBytes r = Legacy(cmdIdentify, {});
       r[0] = 1;
       return r;
     }(),
     "65-byte report with ID 1; a first-generation module takes 65 bytes, ID 0 (written)"},
    {"OldReportFine", itHID_OLD, spFirmware, Legacy(cmdIdentify, {}), nullptr},
    {"NewCommandIn65Bytes", itHID_NEW, spFirmware,
     [] {
       TBytes r = Framed(itHID_NEW, 1, cmdIdentify, 0, {});
       r.resize(65, 0);
       return r;
     }(),
     "65-byte report with ID 1; a second-generation module takes 64 bytes with ID 1 or 268 "
     "with ID 2 (written)"},
    {"NewDataInCommandReport", itHID_NEW, spLoader,
     [] {
       TBytes r = Framed(itHID_NEW, 2, 0, 0, {1, 2});
       r.resize(64);
       return r;
     }(),
     "64-byte report with ID 2; a second-generation module takes 64 bytes with ID 1 or 268 "
     "with ID 2 (written)"},
    {"LegacyReportOnFramedLink", itHID_NEW, spFirmware, Legacy(cmdIdentify, {}),
     "65-byte report with ID 0; a second-generation module takes 64 bytes with ID 1 or 268 "
     "with ID 2 (written)"},
    {"NewCommandFine", itHID_NEW, spFirmware, Framed(itHID_NEW, 1, cmdIdentify, 0, {}), nullptr},
    {"DatagramLongerThanItsPacket", itUDP, spFirmware,
     [] {
       TBytes d = Framed(itUDP, 1, cmdIdentify, 0, {});
       d.resize(72, 0);
       return d;
     }(),
     "cmdIdentify: 72-byte datagram for a 12-byte packet"},
    {"ShortDatagramPadded", itUDP, spFirmware,
     [] {
       TBytes d = Framed(itUDP, 1, cmdIdentify, 0, {});
       d.resize(64, 0);
       return d;
     }(),
     nullptr},
    {"BadChecksum", itUDP, spFirmware,
     [] {
       TBytes d = Framed(itUDP, 1, cmdIdentify, 0, {});
       d[8] ^= 1;
       return d;
     }(),
     "malformed packet: checksum field does not match the packet"},
    // Payload lengths per command (framed links carry the length).
    {"IdentifyWithExtraBytes", itUDP, spFirmware, Framed(itUDP, 1, cmdIdentify, 0, {0, 0}),
     "cmdIdentify: 2-byte payload; it takes 0"},
    {"IdentifyFine", itUDP, spLoader, Framed(itUDP, 1, cmdIdentify, 0, {}), nullptr},
    {"OpenReadOf16Bytes", itHID_NEW, spLoader,
     Framed(itHID_NEW, 1, cmdOpenRead, 0, U32s({0x3F600, 64}, 16)),
     "cmdOpenRead: 16-byte payload; it takes 8"},
    {"OpenReadFine", itHID_NEW, spLoader, Framed(itHID_NEW, 1, cmdOpenRead, 0, U32s({0x3F600, 64})),
     nullptr},
    {"ReadNextWithPayload", itUDP, spLoader, Framed(itUDP, 1, cmdReadNext, 0, U32s({64})),
     "cmdReadNext: 4-byte payload; it takes 0"},
    {"WriteBusOf8Bytes", itUDP, spFirmware, Framed(itUDP, 1, cmdWriteBus, 0, U32s({0xEF82, 1})),
     "cmdWriteBus: 8-byte payload; it takes 12 or 20"},
    {"WriteBusOf12Bytes", itUDP, spFirmware, Framed(itUDP, 1, cmdWriteBus, 0, U32s({0xEF82, 1, 0})),
     nullptr},
    // Reserved bytes and the layouts of the two generations.
    {"WriteBusReservedByte", itHID_NEW, spFirmware,
     Framed(itHID_NEW, 1, cmdWriteBus, 0, U32s({0xEF82, 1, 0, 0, 0x100})),
     "cmdWriteBus: non-zero reserved bytes after the value"},
    {"WriteBusLegacyLayoutOnFramedLink", itHID_NEW, spFirmware,
     Framed(itHID_NEW, 1, cmdWriteBus, 0, U32s({0x0041EF82, 0, 0, 0, 0})),
     "cmdWriteBus: bus address beyond 16 bits (a first-generation layout?)"},
    {"WriteBusFramedLayoutOnLegacyLink", itHID_OLD, spFirmware,
     Legacy(cmdWriteBus, U32s({0xEF82, 0x41, 0, 0, 0})),
     "cmdWriteBus: non-zero reserved bytes 4 to 11 (a framed layout?)"},
    {"WriteBusLegacyFine", itHID_OLD, spFirmware, Legacy(cmdWriteBus, U32s({0x0041EF82, 0, 0})),
     nullptr},
    {"ExtModuleLegacyLayoutOnFramedLink", itUDP, spFirmware,
     Framed(itUDP, 1, cmdGetExtModule, 0, U32s({0x0102, 0})),
     "cmdGetExtModule: no such module type (a first-generation layout?)"},
    {"ExtModuleReservedOnLegacyLink", itHID_OLD, spFirmware, Legacy(cmdGetExtModule, {1, 2, 0, 3}),
     "cmdGetExtModule: non-zero reserved bytes 2 and 3"},
    {"ExtModuleFramedFine", itUDP, spFirmware, Framed(itUDP, 1, cmdGetExtModule, 0, U32s({1, 2})),
     nullptr},
    {"OpenReadWithLegacyOffsetOnFramedLink", itUDP, spLoader,
     Framed(itUDP, 1, cmdOpenRead, 0, U32s({0x23F600, 64})),
     "cmdOpenRead: storage address with the first generation's 0x200000 offset"},
    {"OpenReadWithoutOffsetOnLegacyLink", itHID_OLD, spLoader,
     Legacy(cmdOpenRead, U32s({0x3F600, 64})),
     "cmdOpenRead: storage address without the 0x200000 offset"},
    {"OpenReadLegacyFine", itHID_OLD, spLoader, Legacy(cmdOpenRead, U32s({0x23F600, 64})), nullptr},
    {"DataPacketWithCode", itUDP, spLoader, Framed(itUDP, 2, 0x08, 0, {1, 2, 3}),
     "data packet: data packet with code 0x08; it must be 0"},
    {"UnusedCommandCode", itUDP, spFirmware, Framed(itUDP, 1, 0x13, 0, {}),
     "cmd?: unused command code 0x13"},
};

class SimPacketCheckTest : public ::testing::TestWithParam<TPacketCase> {};

TEST_P(SimPacketCheckTest, RefusedExactlyWhenItBreaksACheck) {
  const TPacketCase& c = GetParam();
  TFakeClock clock;
  TSimConfig config;
  config.program = c.program;
  TModuleSim sim(config, &clock);
  const bool taken = sim.Receive(c.kind, c.packet.data(), static_cast<int>(c.packet.size()));
  const std::vector<std::string> seen = TakeViolations(sim);
  if (!c.violation) {
    EXPECT_TRUE(taken);
    EXPECT_EQ(seen, std::vector<std::string>{});
    EXPECT_EQ(sim.Received().back().fate, sfHandled);
    return;
  }
  EXPECT_EQ(seen, std::vector<std::string>{c.violation});
  for (const TSimPacket& answer : sim.Sent())
    EXPECT_EQ(answer.status, kSimStatusFailure) << "refused, not served";
  // A USB device fails the write of a report it does not take; other refusals are answered.
  const bool reportRefused = std::string(c.violation).find("(written)") != std::string::npos;
  EXPECT_EQ(taken, !reportRefused);
}

TEST_P(SimPacketCheckTest, LenientModuleRecordsButServes) {
  const TPacketCase& c = GetParam();
  TFakeClock clock;
  TSimConfig config;
  config.program = c.program;
  config.strict = false;
  TModuleSim sim(config, &clock);
  EXPECT_TRUE(sim.Receive(c.kind, c.packet.data(), static_cast<int>(c.packet.size())));
  EXPECT_EQ(TakeViolations(sim).empty(), c.violation == nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimPacketCheckTest, ::testing::ValuesIn(kPacketCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimReadRequestCheck, ReportIdAndSizeOfEachGeneration) {
  struct {
    TIntfType kind;
    uint8_t id;
    int size;
    bool fine;
  } const cases[] = {
      {itHID_OLD, 0, 65, true},   {itHID_OLD, 0, 64, false}, {itHID_OLD, 1, 65, false},
      {itHID_NEW, 1, 64, true},   {itHID_NEW, 2, 268, true}, {itHID_NEW, 2, 64, false},
      {itHID_NEW, 1, 268, false}, {itHID_NEW, 0, 65, false}, {itUDP, 0, 1036, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(LinkKindName(c.kind) + " ID " + std::to_string(c.id) + " size " +
                 std::to_string(c.size));
    TFakeClock clock;
    TModuleSim sim({}, &clock);
    TSimTransport transport(sim, c.kind);
    uint8_t identify[64] = {};
    BuildFramedPacket(identify, 1, cmdIdentify, 0, nullptr, 0);
    TBytes legacy = Legacy(cmdIdentify, {});
    ASSERT_TRUE(c.kind == itHID_OLD ? transport.Write(legacy.data(), 65)
                                    : transport.Write(identify, c.kind == itUDP ? 12 : 64));
    TBytes report(static_cast<size_t>(c.size), 0);
    report[0] = c.id;
    int received = 0;
    const bool read = transport.Read(report.data(), c.size, 10, &received);
    EXPECT_EQ(TakeViolations(sim).size(), c.fine ? 0u : 1u);
    // A refused request takes nothing: the answer is still there for a proper one.
    if (!c.fine) {
      EXPECT_FALSE(read);
      EXPECT_EQ(sim.QueuedCount(), 1u);
    } else if (c.id != 2) {
      EXPECT_TRUE(read);
    }
  }
}

// The numbers a link may use after each kind of answer, on both framed kinds.
class SimSequenceCheckTest : public SimLinkFixture, public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override { OpenSim(GetParam()); }
  void TearDown() override { CloseSim(); }

  // Writes a raw command numbered sequence; true when the module took it without violation.
  bool Command(uint8_t code, uint32_t sequence, const TBytes& payload = {}) {
    const TBytes packet = Framed(GetParam(), 1, code, sequence, payload);
    simTransport->Write(packet.data(), static_cast<int>(packet.size()));
    while (sim->TakeDue()) {
    }
    return TakeViolations(*sim).empty();
  }
};

TEST_P(SimSequenceCheckTest, AfterEachKindOfAnswer) {
  EXPECT_TRUE(Command(cmdIdentify, 40)) << "the first number is free";
  EXPECT_FALSE(Command(cmdIdentify, 40)) << "answered with success: no repeat";
  // The refusal (0xFF) makes the repeat allowed now, and the next number.
  EXPECT_TRUE(Command(cmdIdentify, 40));
  EXPECT_FALSE(Command(cmdGetVersion, 43)) << "a gap";
  EXPECT_TRUE(Command(cmdGetVersion, 43)) << "after the refusal";
  // A command the program does not know is answered with 0xFF: the link keeps the number.
  EXPECT_TRUE(Command(cmdOpenRead, 44, U32s({0x3F600, 64})));
  EXPECT_TRUE(Command(cmdOpenRead, 44, U32s({0x3F600, 64})));
  // No answer to a Transact (dropped): the link starts again from 0.
  sim->Faults().dropNext = 1;
  EXPECT_TRUE(Command(cmdGetVersion, 44));
  EXPECT_FALSE(Command(cmdGetVersion, 45));
  sim->Faults().dropNext = 1;
  EXPECT_TRUE(Command(cmdGetVersion, 45));
  EXPECT_TRUE(Command(cmdGetVersion, 0));
  // A ReadData command left unanswered: the link steps back to the same number.
  sim->Faults().dropNext = 1;
  EXPECT_TRUE(Command(cmdReadBus, 1, U32s({0xEF82, 1, 1})));
  EXPECT_TRUE(Command(cmdReadBus, 1, U32s({0xEF82, 1, 1})));
  sim->Faults().dropNext = 1;
  EXPECT_TRUE(Command(cmdReadBus, 2, U32s({0xEF82, 1, 1})));
  EXPECT_FALSE(Command(cmdReadBus, 3, U32s({0xEF82, 1, 1})));
  // A command sent without awaiting anything: the next number, also over the restart.
  EXPECT_TRUE(Command(cmdEnterLoader, 3));
  clock.Advance(kSimDefaultRestartMs);
  EXPECT_TRUE(Command(cmdIdentify, 4));
}

// The restarted program has no number to expect: a link whose command could not be written
// while the module was off the bus starts again at 0.
TEST_P(SimSequenceCheckTest, ARestartedModuleTakesAnyNumberFirst) {
  EXPECT_TRUE(Command(cmdIdentify, 7));
  EXPECT_TRUE(Command(cmdEnterLoader, 8));
  clock.Advance(kSimDefaultRestartMs);
  EXPECT_TRUE(Command(cmdIdentify, 0));
  EXPECT_FALSE(Command(cmdIdentify, 0)) << "from there on the counter is followed again";
}

TEST_P(SimSequenceCheckTest, ProductTrafficFollowsTheRules) {
  // Faults make the link fail in each way; the module follows its counter throughout.
  sim->Faults().dropEvery = 3;
  sim->Faults().staleFirst = 2;
  for (int i = 0; i < 12; ++i) {
    CheckModule(FirmwareIdFor(GetParam()), 10);
    ReadWords(0xEF82, 2);
    WriteWord(0xEF82, static_cast<uint16_t>(i));
  }
  sim->Faults() = {};
  sim->Faults().statusFF = 3;
  for (int i = 0; i < 4; ++i) {
    Version(cmdGetVersion);
    ReadWords(0xEF82, 1);
  }
  EXPECT_TRUE(CheckModule(FirmwareIdFor(GetParam()), 10));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimSequenceCheckTest, KARVELM_FRAMED_KINDS);

// Configuration writes: one stored configuration's stream, as the module stores it.
struct TStreamCase {
  const char* name;
  std::function<void(TByteSink&)> build;
  const char* violation;
};

void PrintTo(const TStreamCase& c, std::ostream* os) {
  *os << c.name;
}

void Section(TByteSink& sink, int config) {
  WriteRecord(RecSection, SectionAddress(config), 0, nullptr, sink);
}
void Settings(TByteSink& sink, int config) {
  const std::vector<uint8_t> block(kSettingsBlockSize, 0x5A);
  WriteBlock(kSettingsAddress[config], block.size(), block.data(), sink);
}

const TStreamCase kStreamCases[] = {
    {"WithoutSectionRecord", [](TByteSink& s) { Settings(s, 0); },
     "data packet: the stream does not start with a section record"},
    {"WithEndRecord",
     [](TByteSink& s) {
       Section(s, 0);
       Settings(s, 0);
       WriteEndRecord(s);
     },
     "data packet: an end record in a stored configuration's stream"},
    {"AimedAtTheOtherConfiguration",
     [](TByteSink& s) {
       Section(s, 1);
       Settings(s, 0);
     },
     "data packet: chunk aimed at the other configuration's addresses"},
    {"OneConfiguration",
     [](TByteSink& s) {
       Section(s, 1);
       Settings(s, 1);
     },
     nullptr},
};

class SimStreamCheckTest : public SimLinkFixture,
                           public ::testing::TestWithParam<std::tuple<TIntfType, TStreamCase>> {
 protected:
  void TearDown() override { CloseSim(); }
};

TEST_P(SimStreamCheckTest, StoredOnlyWhenItIsOneConfiguration) {
  const auto& [kind, c] = GetParam();
  TSimConfig config;
  config.program = spLoader;
  OpenSim(kind, config);
  TMemorySink stream;
  c.build(stream);
  const bool written = WriteToLoader(cmdWriteConfig, stream.bytes.data(),
                                     static_cast<uint32_t>(stream.bytes.size()));
  const bool stored = sim->Storage().Bytes(kSettingsAddress[0], 1)[0] == 0x5A ||
                      sim->Storage().Bytes(kSettingsAddress[1], 1)[0] == 0x5A;
  const std::vector<std::string> seen = TakeViolations(*sim);
  if (c.violation) {
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], c.violation);
    if (kind != itHID_OLD) {
      EXPECT_FALSE(written) << "the refusal reaches the link";
    }
    if (std::string(c.name) != "WithEndRecord") {
      EXPECT_FALSE(stored);
    }
  } else {
    EXPECT_EQ(seen, std::vector<std::string>{});
    EXPECT_TRUE(written);
    EXPECT_TRUE(stored);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SimStreamCheckTest,
                         ::testing::Combine(::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                                            ::testing::ValuesIn(kStreamCases)),
                         [](const auto& info) {
                           return LinkKindName(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace karvelm
