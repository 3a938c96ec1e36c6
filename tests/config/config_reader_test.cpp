#include "config/config_reader.h"

#include <gtest/gtest.h>

#include "config/config_fields.h"
#include "config/config_records.h"
#include "config_test_util.h"

namespace karvelm {
namespace {

using testing::BlankImage;
using testing::Bytes;
using testing::Concat;
using testing::EncodedFrameOf;
using testing::FrameOf;
using testing::Hex;
using testing::RecordBytes;

TConfigReadStatus Read(const Bytes& stream, TConfigImage& image) {
  TMemorySource source(stream);
  return ReadConfigRecords(source, image);
}

// A file made of whole frames: the address, data and chunk-end records of one chunk.
Bytes Chunk(uint32_t address, const Bytes& data) {
  TMemorySink sink;
  EXPECT_TRUE(WriteBlock(address, data.size(), data.data(), sink));
  return sink.bytes;
}

// An image whose every block differs from the blank one, and its file.
class MarkedImage : public ::testing::Test {
 protected:
  void SetUp() override {
    source = BlankImage();
    for (size_t i = 0; i < kMemoryImageSize; ++i)
      source->MemoryImage[i] = static_cast<uint8_t>(i * 13 + i / 8192);
    for (int w = 0; w < kSetPointWords; ++w)
      SetSetPointWord(*source, w, static_cast<uint16_t>(0x1111 * w));
    SetSettingsWord(*source, MemLayout, 13);
    TMemorySink sink;
    ASSERT_TRUE(WriteConfigFile(*source, sink));
    file = sink.bytes;
  }
  std::unique_ptr<TConfigImage> source;
  Bytes file;
};

TEST_F(MarkedImage, CorruptedByteFailsAndKeepsTheFramesBefore) {
  // Frame 5 is the set-point data record (section, settings address/data/end, set-point address).
  size_t offset = 0;
  for (int frame = 0; frame < 5; ++frame) offset += 2 + (file[offset] << 8 | file[offset + 1]);
  const size_t frameLength = file[offset] << 8 | file[offset + 1];
  for (size_t k = 0; k < frameLength; ++k) {
    Bytes bad = file;
    bad[offset + 2 + k] ^= 0x20;  // one byte of the encoded record or of its CRC
    auto image = BlankImage();
    ASSERT_EQ(Read(bad, *image), crBadCrc) << "byte " << k;
    EXPECT_EQ(image->SettingsBlock, source->SettingsBlock);  // applied before the bad frame
    EXPECT_EQ(SetPointWord(*image, 1), 0) << "the bad frame is not applied";
    EXPECT_EQ(image->MemoryImage[0], 0xFF);
  }
}

TEST_F(MarkedImage, CorruptionDeepInTheFileFailsToo) {
  Bytes bad = file;
  bad[file.size() - 15] ^= 0x01;  // inside the last chunk-end frame
  auto image = BlankImage();
  TMemorySource stream(bad);
  EXPECT_FALSE(ReadConfigFile(stream, *image));
  EXPECT_EQ(image->MemoryImage, source->MemoryImage);  // section 2 nearly all applied too
}

TEST_F(MarkedImage, TruncatedFileReadsItsCompleteFrames) {
  // Cut inside the data frame of page 0's first chunk: the settings and set-points made it.
  auto image = BlankImage();
  size_t cut = 0;
  for (int frame = 0; frame < 8; ++frame) cut += 2 + (file[cut] << 8 | file[cut + 1]);
  for (size_t extra : {size_t{0}, size_t{1}, size_t{2}, size_t{5}}) {
    image = BlankImage();
    ASSERT_EQ(Read(Bytes(file.begin(), file.begin() + cut + extra), *image), crOk) << extra;
    EXPECT_EQ(image->SettingsBlock, source->SettingsBlock);
    EXPECT_EQ(image->SetPointBlock, source->SetPointBlock);
    EXPECT_EQ(image->MemoryImage[0], 0xFF) << "the incomplete frame is ignored";
    // The cut is told apart from a file that ends between frames.
    const Bytes part(file.begin(), file.begin() + cut + extra);
    TMemorySource stream(part);
    bool cutOff = true;
    ASSERT_EQ(ReadConfigRecords(stream, *BlankImage(), &cutOff), crOk);
    EXPECT_EQ(cutOff, extra != 0) << extra;
  }
  TMemorySource whole(file);
  bool cutOff = true;
  ASSERT_EQ(ReadConfigRecords(whole, *BlankImage(), &cutOff), crOk);
  EXPECT_FALSE(cutOff);
}

TEST(ReadConfigFile, EmptyFileChangesNothing) {
  auto image = BlankImage();
  image->SettingsBlock[7] = 0x77;
  auto before = std::make_unique<TConfigImage>(*image);
  EXPECT_EQ(Read({}, *image), crOk);
  EXPECT_EQ(Read({0x00}, *image), crOk);  // ends inside the length field
  EXPECT_EQ(image->SettingsBlock, before->SettingsBlock);
  EXPECT_EQ(image->MemoryImage, before->MemoryImage);
}

TEST(ReadConfigFile, LaterSectionWins) {
  auto first = BlankImage();
  auto second = BlankImage();
  SetSettingsWord(*first, CpuSlowdown, 3);
  SetSettingsWord(*second, CpuSlowdown, 7);
  SetSetPointWord(*second, 4, 0x4444);
  std::fill_n(second->Page(15), kPageSize, 0x5A);
  TMemorySink sink;
  ASSERT_TRUE(WriteConfigSection(*first, 0, sink));
  ASSERT_TRUE(WriteConfigSection(*second, 1, sink));
  ASSERT_TRUE(WriteEndRecord(sink));

  auto image = BlankImage();
  ASSERT_EQ(Read(sink.bytes, *image), crOk);
  EXPECT_EQ(SettingsWord(*image, CpuSlowdown), 7);
  EXPECT_EQ(SetPointWord(*image, 4), 0x4444);
  EXPECT_EQ(image->Page(15)[100], 0x5A);
  EXPECT_EQ(image->Page(14)[100], 0xFF);
}

TEST(ApplyRecords, AddressMapAndSkippedData) {
  auto image = BlankImage();
  const Bytes stream = Concat({
      EncodedFrameOf(Concat({RecordBytes(RecData, 0, 4, {1, 2, 3, 4}), {0}})),  // no address yet
      Chunk(0x3F600, Bytes(512, 0xC1)),   // common block is accepted from files
      Chunk(0x3F700, Bytes(512, 0xEE)),   // between blocks: stored nowhere
      Chunk(0x20000, Bytes(16, 0xEE)),    // below the pages
      Chunk(0x80000, Bytes(16, 0xEE)),    // above the pages
      Chunk(0x3FE00, Bytes(32, 0xC2)),    // configuration 2 set-points
      Chunk(0x61FFE, Bytes{0xA1, 0xA2}),  // configuration 2, end of page 0
      Chunk(0x42000, Bytes{0xB1}),        // configuration 1, start of page 1
      EncodedFrameOf(Concat({RecordBytes(RecEnd, 0, 0), {0}})),
      Chunk(0x3FC10, Bytes(8, 0xEE)),     // inside a block but not its start: nowhere
      Chunk(0x3FC00, Bytes{0xC3, 0xC4}),  // records after the end record still count
  });
  ASSERT_EQ(Read(stream, *image), crOk);
  for (uint8_t b : image->CommonBlock) ASSERT_EQ(b, 0xC1);
  for (uint8_t b : image->SetPointBlock) ASSERT_EQ(b, 0xC2);
  EXPECT_EQ(image->MemoryImage[0x1FFE], 0xA1);
  EXPECT_EQ(image->MemoryImage[0x1FFF], 0xA2);
  EXPECT_EQ(image->MemoryImage[0x2000], 0xB1);
  EXPECT_EQ(image->SettingsBlock[0], 0xC3);
  EXPECT_EQ(image->SettingsBlock[1], 0xC4);
  EXPECT_EQ(image->SettingsBlock[16], 0);
  size_t changed = 0;
  for (uint8_t b : image->MemoryImage) changed += b != 0xFF;
  EXPECT_EQ(changed, 3u);
}

TEST(ApplyRecords, SeveralRecordsInOneFrame) {
  auto image = BlankImage();
  const Bytes frame = Concat({RecordBytes(RecSection, 0x010100, 0),
                              RecordBytes(RecAddress, 0x3FA00, 512),
                              RecordBytes(RecData, 0, 2, {0x34, 0x12}),
                              RecordBytes(0x55, 0x123456, 0xFFFF),  // unknown type: header only
                              RecordBytes(RecData, 0, 1, {0x99}),
                              {0},
                              RecordBytes(RecData, 0, 1, {0x77})});  // after the terminator
  TRecordState state;
  ASSERT_EQ(ApplyRecords(frame.data(), frame.size(), *image, state), crOk);
  EXPECT_EQ(SetPointWord(*image, 0), 0x1299);  // the second data record starts over at 0x3FA00
  EXPECT_EQ(state.CurrentAddress, 0x3FA00u);
}

struct LimitCase {
  const char* what;
  Bytes stream;
  TConfigReadStatus status;
};

std::ostream& operator<<(std::ostream& out, const LimitCase& c) {
  return out << c.what;
}

Bytes DataAt(uint32_t address, size_t size) {
  return EncodedFrameOf(
      Concat({RecordBytes(RecAddress, address, 512),
              RecordBytes(RecData, 0, static_cast<uint16_t>(size), Bytes(size, 0xEE)),
              {0}}));
}

Bytes RawFrame(size_t length, uint8_t fill = 0) {
  Bytes frame{static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
  frame.insert(frame.end(), length, fill);
  return frame;
}

class ReaderLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ReaderLimits, RefusedWithoutWritingOutsideADestination) {
  auto image = BlankImage();
  auto before = std::make_unique<TConfigImage>(*image);
  TMemorySource source(GetParam().stream);
  EXPECT_EQ(ReadConfigRecords(source, *image), GetParam().status);
  // Nothing of the refused frame arrived anywhere.
  EXPECT_EQ(image->CommonBlock, before->CommonBlock);
  EXPECT_EQ(image->SettingsBlock, before->SettingsBlock);
  EXPECT_EQ(image->SetPointBlock, before->SetPointBlock);
  EXPECT_EQ(image->MemoryImage, before->MemoryImage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderLimits,
    ::testing::Values(
        LimitCase{"frame of 1025 bytes", RawFrame(1025), crFrameTooLong},
        LimitCase{"frame of 0xFFFF bytes, file cut short", Hex("FF FF 00 00"), crFrameTooLong},
        LimitCase{"frame of 2 bytes", Hex("00 02 00 00"), crFrameTooShort},
        LimitCase{"frame of 0 bytes", Hex("00 00"), crFrameTooShort},
        LimitCase{"decoded frame of 1025 bytes",
                  FrameOf(Hex("01 07 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 88 00")),
                  crDecodedTooLong},
        LimitCase{"literal running past the frame", FrameOf(Hex("09 02 03 F8 00")), crMalformed},
        LimitCase{"header cut by the frame end", FrameOf(Hex("03 02 03 F8")), crMalformed},
        LimitCase{"data longer than the frame",
                  FrameOf(Hex("06 02 03 F8 00 02 00 06 03 00 00 00 00 09 01 01")), crMalformed},
        LimitCase{"513 bytes into the common block", DataAt(0x3F600, 513), crPastDestination},
        LimitCase{"513 bytes into the settings block", DataAt(0x3F800, 513), crPastDestination},
        LimitCase{"513 bytes into configuration 2 settings", DataAt(0x3FC00, 513),
                  crPastDestination},
        LimitCase{"33 bytes into the set-point block", DataAt(0x3FA00, 33), crPastDestination},
        LimitCase{"past the end of configuration 1 pages", DataAt(0x5FF00, 257), crPastDestination},
        LimitCase{"past the end of the memory image", DataAt(0x7FFFF, 2), crPastDestination}));

TEST(ReaderLimits, LargestFramesAreAccepted) {
  auto image = BlankImage();
  Bytes payload(256, 0x11);
  const Bytes decoded =
      Concat({RecordBytes(RecAddress, 0x40000, 512), RecordBytes(RecData, 0, 256, payload), {0}});
  ASSERT_EQ(Read(EncodedFrameOf(decoded), *image), crOk);
  EXPECT_EQ(image->MemoryImage[255], 0x11);

  Bytes full = Concat({RecordBytes(RecAddress, 0x40000, 512), {0}});
  full.resize(1024, 0);  // 1024 decoded bytes, all after the terminator
  ASSERT_EQ(Read(EncodedFrameOf(full), *image), crOk);

  // A frame of exactly 1024 bytes after its length field.
  Bytes encoded = Hex("06 02 04 00 00 02 00 00");  // address record, terminator
  encoded.push_back(0x7F);
  encoded.insert(encoded.end(), 127, 0);
  while (encoded.size() < 1022) encoded.push_back(0x00);  // zero-count literals
  ASSERT_EQ(Read(FrameOf(encoded), *image), crOk);
  Bytes tooLong = encoded;
  tooLong.push_back(0x00);
  EXPECT_EQ(Read(FrameOf(tooLong), *image), crFrameTooLong);

  // Data that ends exactly at a destination's end is stored.
  ASSERT_EQ(Read(DataAt(0x7FFFE, 2), *image), crOk);
  EXPECT_EQ(image->MemoryImage[kMemoryImageSize - 1], 0xEE);
  ASSERT_EQ(Read(DataAt(0x3FA00, 32), *image), crOk);
  EXPECT_EQ(image->SetPointBlock[31], 0xEE);
}

}  // namespace
}  // namespace karvelm
