// The simulated module's storage through the configuration transfers, on every link kind:
// what the bootloader is asked, what it sends, and what it keeps.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "config/byte_stream.h"
#include "config/config_fields.h"
#include "config/config_records.h"
#include "config/config_transfer.h"
#include "config/koi7.h"
#include "link/module_commands.h"
#include "sim/storage_model.h"
#include "sim_fixture.h"

namespace karvelm {
namespace {

std::unique_ptr<TConfigImage> BlankImage() {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  return image;
}

// Pages of noise and runs, so that both kinds of run-length block travel; fields, name and
// set-points that differ from the initial image.
std::unique_ptr<TConfigImage> BusyImage(uint32_t seed) {
  auto image = BlankImage();
  std::mt19937 random(seed);
  for (size_t i = 0; i < kMemoryImageSize;) {
    const size_t run = 1 + random() % 300;
    const bool repeat = random() % 2;
    const uint8_t value = static_cast<uint8_t>(random());
    for (size_t k = 0; k < run && i < kMemoryImageSize; ++k, ++i)
      image->MemoryImage[i] = repeat ? value : static_cast<uint8_t>(random());
  }
  SetSettingsWord(*image, MemLayout, 13);
  SetSettingsWord(*image, CpuSlowdown, 4);
  SetConfigName(*image, Utf8ToCp1251("ФРЕЗЕРНЫЙ 6Р13"));
  for (int i = 0; i < kSetPointWords; ++i)
    SetSetPointWord(*image, i, static_cast<uint16_t>(0x1111 * i + seed));
  return image;
}

bool SameBlocks(const TConfigImage& a, const TConfigImage& b) {
  return a.SettingsBlock == b.SettingsBlock && a.SetPointBlock == b.SetPointBlock &&
         a.MemoryImage == b.MemoryImage;
}

// Forwards to the simulator and keeps, for every cmdOpenRead handed over, how many data
// packets the simulator queued straight away in answer: data nobody asked for yet.
class TOpenReadWatch final : public TLinkTransport {
 public:
  TOpenReadWatch(TModuleSim& sim, TIntfType kind) : FSim(sim), FInner(sim, kind) {}
  bool Connected() const override { return FInner.Connected(); }
  bool Write(const uint8_t* report, int size) override {
    const size_t before = FSim.Sent().size();
    if (!FInner.Write(report, size)) return false;
    const TSimReceived& last = FSim.Received().back();
    if (last.fate == sfHandled && last.request.type == kSimTypeReply &&
        last.request.code == cmdOpenRead) {
      const std::vector<TSimPacket>& sent = FSim.Sent();
      dataAfterOpenRead.push_back(static_cast<int>(
          std::count_if(sent.begin() + static_cast<long>(before), sent.end(),
                        [](const TSimPacket& p) { return p.type == kSimTypeData; })));
    }
    return true;
  }
  bool Read(uint8_t* report, int size, int timeout, int* received) override {
    return FInner.Read(report, size, timeout, received);
  }
  std::vector<int> dataAfterOpenRead;

 private:
  TModuleSim& FSim;
  TSimTransport FInner;
};

class SimStorageTest : public SimLinkFixture, public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    TSimConfig config;
    config.program = spLoader;
    OpenSim(GetParam(), config);
  }
  void TearDown() override { CloseSim(); }
  TIntfType Kind() const { return GetParam(); }
  bool Framed() const { return GetParam() != itHID_OLD; }
  uint32_t CommandAddress(uint32_t storage) const {
    return Framed() ? storage : storage + kSimLegacyStorageOffset;
  }

  // The storage address and length of every cmdOpenRead, and the cmdReadNext count after it.
  struct TBlockRequest {
    uint32_t address, length;
    int readNext;
  };
  std::vector<TBlockRequest> BlockRequests() const {
    std::vector<TBlockRequest> blocks;
    for (const TSimRequest& r : sim->Requests()) {
      if (r.type == kSimTypeReply && r.code == cmdOpenRead)
        blocks.push_back({GetU32(r.payload.data()), GetU32(r.payload.data() + 4), 0});
      else if (r.type == kSimTypeReply && r.code == cmdReadNext && !blocks.empty())
        ++blocks.back().readNext;
    }
    return blocks;
  }
  // The data packets of a write, joined; legacy reports are cut to the announced length.
  std::vector<uint8_t> WrittenStream(int* packets = nullptr) const {
    std::vector<uint8_t> stream;
    uint32_t total = 0;
    int count = 0;
    for (const TSimRequest& r : sim->Requests()) {
      if (r.type == kSimTypeReply && r.code == cmdWriteConfig) {
        total = GetU32(r.payload.data());
        stream.clear();
        count = 0;
      } else if (r.type == kSimTypeData) {
        ++count;
        stream.insert(stream.end(), r.payload.begin(), r.payload.end());
      }
    }
    if (stream.size() > total) stream.resize(total);
    if (packets) *packets = count;
    return stream;
  }
};

TEST_P(SimStorageTest, WrittenConfigurationReadsBackByteExact) {
  auto otherBefore = BlankImage();  // configuration 2 while configuration 1 is written
  SealSettingsBlock(*otherBefore);
  for (int c = 0; c < kConfigCount; ++c) {
    SCOPED_TRACE(c);
    auto written = BusyImage(static_cast<uint32_t>(c + 1));
    const TWriteConfigResult write = WriteConfiguration(*written, c);
    ASSERT_TRUE(write.ok()) << write.sent << " of " << write.total;

    // The storage holds the sealed image; the other configuration keeps what it had.
    auto stored = BlankImage();
    sim->Storage().Store(c, *stored);
    EXPECT_TRUE(SameBlocks(*stored, *written));
    auto other = BlankImage();
    sim->Storage().Store(1 - c, *other);
    EXPECT_TRUE(SameBlocks(*other, *otherBefore)) << "written only where asked";
    otherBefore = std::move(stored);  // configuration 1 while configuration 2 is written

    auto read = BlankImage();
    const TReadConfigResult result = ReadConfiguration(*read, c);
    ASSERT_TRUE(result.AllOk());
    EXPECT_TRUE(SameBlocks(*read, *written));
    EXPECT_EQ(read->CommonBlock, otherBefore->CommonBlock);
    EXPECT_NE(read->CommonBlock, BlankImage()->CommonBlock) << "the common block was read";
    for (int page = 0; page < kPageCount; ++page) {
      EXPECT_EQ(read->PageSum[page], PageSum16(kPageSize, written->Page(page)));
      EXPECT_EQ(read->PageCrc[page], PageCrc16(kPageSize, written->Page(page)));
    }
  }
}

TEST_P(SimStorageTest, ReadRequestsEveryBlockAtItsCommandAddress) {
  auto transport = std::make_unique<TOpenReadWatch>(*sim, Kind());
  TOpenReadWatch* watch = transport.get();
  OpenLink(std::make_unique<TExtIntf>(Kind(), std::move(transport)));
  simTransport = nullptr;  // closed with the fixture's link
  // On itHID_OLD the whole block follows its cmdOpenRead in 64-byte reports; the framed links
  // send data only when cmdReadNext asks.
  std::vector<int> unasked(3 + kPageCount, 0);
  if (Kind() == itHID_OLD) {
    unasked = {8, 8, 1};
    unasked.resize(3 + kPageCount, 128);
  }
  for (int c = 0; c < kConfigCount; ++c) {
    sim->ClearRecord();
    watch->dataAfterOpenRead.clear();
    auto image = BlankImage();
    ASSERT_TRUE(ReadConfiguration(*image, c).AllOk());
    EXPECT_EQ(watch->dataAfterOpenRead, unasked);
    const std::vector<TBlockRequest> blocks = BlockRequests();
    ASSERT_EQ(blocks.size(), 19u);
    EXPECT_EQ(blocks[0].address, CommandAddress(0x3F600));
    EXPECT_EQ(blocks[0].length, 512u);
    EXPECT_EQ(blocks[1].address, CommandAddress(kSettingsAddress[c]));
    EXPECT_EQ(blocks[1].length, 512u);
    EXPECT_EQ(blocks[2].address, CommandAddress(kSetPointAddress[c]));
    EXPECT_EQ(blocks[2].length, 32u);
    const int perPage = Kind() == itUDP ? 8 : Kind() == itHID_NEW ? 32 : 0;
    for (int page = 0; page < kPageCount; ++page) {
      EXPECT_EQ(blocks[3 + page].address, CommandAddress(PageAddress(c, page)));
      EXPECT_EQ(blocks[3 + page].length, 8192u);
      EXPECT_EQ(blocks[3 + page].readNext, perPage) << "page " << page;
    }
  }
  if (Kind() == itHID_OLD) {
    EXPECT_EQ(BlockRequests()[0].address, 0x0023F600u);
  }
}

TEST_P(SimStorageTest, BlankWriteSendsTheFileSectionInLinkSizedPieces) {
  auto image = BlankImage();
  TMemorySink file;
  ASSERT_TRUE(WriteConfigFile(*image, file));
  const std::vector<uint8_t> firstSection(file.bytes.begin(), file.bytes.begin() + 12144);

  ResetConfigImage(*image);
  const TWriteConfigResult write = WriteConfiguration(*image, 0);
  ASSERT_TRUE(write.ok());
  EXPECT_EQ(write.total, 12144u);
  int packets = 0;
  EXPECT_EQ(WrittenStream(&packets), firstSection);
  EXPECT_EQ(packets, Kind() == itUDP ? 12 : Kind() == itHID_NEW ? 48 : 190);
  // The module is back to taking commands: on itHID_OLD only the count tells data from them.
  EXPECT_FALSE(sim->ExpectsData());
  EXPECT_TRUE(ProbeLoader(250));
}

TEST_P(SimStorageTest, FailingSetPointReadStopsBeforeThePages) {
  sim->Faults().failReadAt = kSetPointAddress[0];
  auto image = BlankImage();
  const TReadConfigResult result = ReadConfiguration(*image, 0);
  EXPECT_TRUE(result.commonOk && result.settingsOk);
  EXPECT_FALSE(result.setPointOk);
  EXPECT_TRUE(result.ShowFailure());
  EXPECT_EQ(BlockRequests().size(), 3u) << "no page requested";
}

TEST_P(SimStorageTest, FailingPageKeepsItsChecksAndLaterPagesArrive) {
  auto written = BusyImage(7);
  ASSERT_TRUE(WriteConfiguration(*written, 0).ok());
  sim->Faults().failReadAt = PageAddress(0, 5);
  auto image = BlankImage();
  image->PageSum[5] = 0x1234;
  image->PageCrc[5] = 0x5678;
  const TReadConfigResult result = ReadConfiguration(*image, 0);
  EXPECT_FALSE(result.pageOk[5]);
  EXPECT_FALSE(result.AllOk());
  EXPECT_FALSE(result.ShowFailure()) << "page 15 arrived";
  EXPECT_EQ(image->PageSum[5], 0x1234);
  EXPECT_EQ(image->PageCrc[5], 0x5678);
  for (int page : {4, 6, 15}) {
    EXPECT_TRUE(result.pageOk[page]);
    EXPECT_TRUE(std::equal(image->Page(page), image->Page(page) + kPageSize, written->Page(page)));
    EXPECT_EQ(image->PageCrc[page], PageCrc16(kPageSize, written->Page(page)));
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimStorageTest, KARVELM_ALL_KINDS);

// Acknowledgements exist on the framed links only.
class SimStorageFramedTest : public SimStorageTest {};

TEST_P(SimStorageFramedTest, LostAcknowledgementStopsTheWrite) {
  sim->Faults().loseDataAckAt = 3;
  auto image = BusyImage(3);
  const TWriteConfigResult write = WriteConfiguration(*image, 1);
  EXPECT_TRUE(write.PieceLost());
  EXPECT_EQ(write.sent, 2 * ChunkSize());
  int packets = 0;
  WrittenStream(&packets);
  EXPECT_EQ(packets, 3) << "nothing is sent after the lost piece";
  // The module applied what it was sent: the settings block and the first pages changed, the
  // last pages did not.
  auto stored = BlankImage();
  sim->Storage().Store(1, *stored);
  EXPECT_EQ(stored->SettingsBlock, image->SettingsBlock);
  EXPECT_NE(stored->MemoryImage, image->MemoryImage);
}

TEST_P(SimStorageFramedTest, CorruptStreamIsRefusedAndLaterChunksNeverStored) {
  auto image = BusyImage(5);
  TMemorySink section;
  ASSERT_TRUE(WriteConfigSection(*image, 0, section));
  // A byte inside a frame of the memory image, some pieces into the stream.
  const size_t bad = 5 * ChunkSize() + 7;
  section.bytes[bad] ^= 0x40;
  const uint32_t total = static_cast<uint32_t>(section.bytes.size());
  ASSERT_TRUE(BeginWrite(cmdWriteConfig, total));
  uint32_t acknowledged = 0;
  EXPECT_FALSE(WritePieces(section.bytes.data(), total,
                           [&](uint32_t sent, uint32_t) { acknowledged = sent; }));
  // Refused at the piece that completes the bad frame: not before the piece holding the bad
  // byte, and at most one frame after it.
  EXPECT_GE(acknowledged, bad / ChunkSize() * ChunkSize());
  EXPECT_LE(acknowledged, bad + kMaxFrameLength + 2);
  EXPECT_LT(acknowledged, total);
  EXPECT_EQ(TakeViolations(*sim), std::vector<std::string>{"data packet: frame check failed"});
  auto stored = BlankImage();
  sim->Storage().Store(0, *stored);
  EXPECT_EQ(stored->SettingsBlock, image->SettingsBlock);
  const uint8_t* lastPage = stored->Page(kPageCount - 1);
  EXPECT_TRUE(std::all_of(lastPage, lastPage + kPageSize, [](uint8_t b) { return b == 0xFF; }));
}

TEST_P(SimStorageFramedTest, ReadsOutsideTheStorageOrWithoutAnOpenBlockFail) {
  uint8_t block[64];
  EXPECT_FALSE(ReadStoredBlock(0x3F000, 64, block)) << "below the common block";
  EXPECT_FALSE(ReadStoredBlock(0x7FFC0, 128, block)) << "past the last page";
  EXPECT_FALSE(ReadStoredBlock(0x3F600 + kSimLegacyStorageOffset, 64, block))
      << "the legacy offset belongs to itHID_OLD only";
  EXPECT_FALSE(ReadData(cmdReadNext, nullptr, 0, block, 64, 250)) << "nothing open";
  EXPECT_EQ(TakeViolations(*sim),
            (std::vector<std::string>{
                "cmdOpenRead: block outside the storage", "cmdOpenRead: block outside the storage",
                "cmdOpenRead: storage address with the first generation's 0x200000 offset",
                "cmdReadNext: no block open, or asked past its end"}));
  EXPECT_TRUE(ReadStoredBlock(0x3F600, 64, block));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimStorageFramedTest, KARVELM_FRAMED_KINDS);

}  // namespace
}  // namespace karvelm
