#include "config/config_records.h"

#include <gtest/gtest.h>

#include "config/config_fields.h"
#include "config/config_reader.h"
#include "config_test_util.h"

namespace karvelm {
namespace {

using testing::BlankImage;
using testing::Bytes;
using testing::Hex;
using testing::ToHex;

Bytes Record(uint8_t type, uint32_t address, uint16_t length, const Bytes& data = {}) {
  TMemorySink sink;
  EXPECT_TRUE(WriteRecord(type, address, length, data.data(), sink));
  return sink.bytes;
}

struct WorkedFrame {
  const char* what;
  Bytes frame;
  std::string expected;
};

TEST(WriteRecord, WorkedFrames) {
  const WorkedFrame frames[] = {
      {"end", Record(RecEnd, 0, 0), "00 06 01 07 86 00 80 65"},
      {"section 1", Record(RecSection, SectionAddress(0), 0), "00 08 01 0F 82 01 84 00 4A 8A"},
      {"section 2", Record(RecSection, SectionAddress(1), 0), "00 08 03 0F 01 02 84 00 86 8A"},
      {"address 0x3F800", Record(RecAddress, 0x3F800, 512), "00 0A 05 02 03 F8 00 02 82 00 7F 5F"},
      {"chunk end 0x3F800", Record(RecChunkEnd, 0x3F800, 512),
       "00 0A 05 04 03 F8 00 02 82 00 79 3F"},
      {"32 zero bytes", Record(RecData, 0, 32, Bytes(32, 0)),
       "00 0A 01 03 84 00 01 20 A1 00 23 32"},
      {"512 bytes of 0xFF", Record(RecData, 0, 512, Bytes(512, 0xFF)),
       "00 15 01 03 83 00 02 02 00 FF FF FF FF FF FF FF FF 84 FF 01 00 58 E4"},
  };
  for (const WorkedFrame& f : frames) EXPECT_EQ(ToHex(f.frame), f.expected) << f.what;
  TMemorySink sink;
  ASSERT_TRUE(WriteEndRecord(sink));
  EXPECT_EQ(ToHex(sink.bytes), "00 06 01 07 86 00 80 65");
}

// Splits a stream into its frames.
std::vector<Bytes> Frames(const Bytes& stream) {
  std::vector<Bytes> frames;
  for (size_t i = 0; i + 2 <= stream.size();) {
    const size_t length = static_cast<size_t>(stream[i] << 8 | stream[i + 1]);
    frames.emplace_back(stream.begin() + i, stream.begin() + i + 2 + length);
    i += 2 + length;
  }
  return frames;
}

TEST(WriteBlock, ChunksOf512WithAddressDataAndEnd) {
  Bytes data(1100);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  TMemorySink sink;
  ASSERT_TRUE(WriteBlock(0x40000, data.size(), data.data(), sink));
  const std::vector<Bytes> frames = Frames(sink.bytes);
  ASSERT_EQ(frames.size(), 9u);
  EXPECT_EQ(frames[6], Record(RecAddress, 0x40400, 512));  // also for a shorter last chunk
  EXPECT_EQ(frames[7], Record(RecData, 0, 76, Bytes(data.begin() + 1024, data.end())));
  EXPECT_EQ(frames[8], Record(RecChunkEnd, 0x40400, 76));

  TMemorySink empty;
  ASSERT_TRUE(WriteBlock(0x40000, 0, data.data(), empty));
  EXPECT_TRUE(empty.bytes.empty());
}

class BlankFile : public ::testing::Test {
 protected:
  void SetUp() override {
    image = BlankImage();
    ASSERT_TRUE(WriteConfigFile(*image, file));
  }
  std::unique_ptr<TConfigImage> image;
  TMemorySink file;
};

TEST_F(BlankFile, SizeFirstAndLastBytesAndChecksum) {
  EXPECT_EQ(file.bytes.size(), 24299u);
  EXPECT_EQ(ToHex(Bytes(file.bytes.begin(), file.bytes.begin() + 22)),
            "00 08 01 0F 82 01 84 00 4A 8A 00 0A 05 02 03 F8 00 02 82 00 7F 5F");
  EXPECT_EQ(ToHex(Bytes(file.bytes.end() - 8, file.bytes.end())), "00 06 01 07 86 00 80 65");
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 776);
  EXPECT_EQ(SettingsWord(*image, SettingsFormat), 10);
  EXPECT_EQ(Frames(file.bytes).size(), 2 * 775u + 1);
}

TEST_F(BlankFile, SectionSizes) {
  TMemorySink first, second;
  ASSERT_TRUE(WriteConfigSection(*image, 0, first));
  ASSERT_TRUE(WriteConfigSection(*image, 1, second));
  EXPECT_EQ(first.bytes.size(), 12144u);
  // Configuration 2's addresses (0x3FC00, 0x3FE00, 0x6xxxx) encode one byte longer in
  // three of its frames.
  EXPECT_EQ(second.bytes.size(), 12147u);
  EXPECT_EQ(Bytes(file.bytes.begin(), file.bytes.begin() + 12144), first.bytes);
  EXPECT_EQ(Bytes(file.bytes.begin() + 12144, file.bytes.end() - 8), second.bytes);
}

TEST_F(BlankFile, ReadsBackToTheSameImage) {
  auto read = std::make_unique<TConfigImage>();
  read->MemoryImage.fill(0x55);
  TMemorySource source(file.bytes);
  ASSERT_EQ(ReadConfigRecords(source, *read), crOk);
  EXPECT_EQ(read->SettingsBlock, image->SettingsBlock);
  EXPECT_EQ(read->SetPointBlock, image->SetPointBlock);
  EXPECT_EQ(read->MemoryImage, image->MemoryImage);
  UpdateAllPageChecks(*read);
  for (int p = 0; p < kPageCount; ++p) {
    EXPECT_EQ(read->PageSum[p], 0xFFFF);
    EXPECT_EQ(read->PageCrc[p], 0x3FFF);
  }
}

TEST(ConfigSection, CarriesTheImageAtItsConfigurationsAddresses) {
  auto image = BlankImage();
  for (size_t i = 0; i < kMemoryImageSize; ++i)
    image->MemoryImage[i] = static_cast<uint8_t>(i % 251);
  for (int w = 0; w < kSetPointWords; ++w)
    SetSetPointWord(*image, w, static_cast<uint16_t>(w * 0x101));
  image->CommonBlock.fill(0xAB);
  TMemorySink sink;
  ASSERT_TRUE(WriteConfigSection(*image, 1, sink));
  const std::vector<Bytes> frames = Frames(sink.bytes);
  ASSERT_EQ(frames.size(), 775u);
  EXPECT_EQ(frames[0], Record(RecSection, 0x010200, 0));
  EXPECT_EQ(frames[1], Record(RecAddress, 0x3FC00, 512));
  EXPECT_EQ(frames[4], Record(RecAddress, 0x3FE00, 512));
  EXPECT_EQ(frames[5], Record(RecData, 0, 32,
                              Bytes(image->SetPointBlock.begin(), image->SetPointBlock.end())));
  EXPECT_EQ(frames[6], Record(RecChunkEnd, 0x3FE00, 32));
  EXPECT_EQ(frames[7], Record(RecAddress, 0x60000, 512));
  EXPECT_EQ(frames[773], Record(RecData, 0, 512,
                                Bytes(image->MemoryImage.end() - 512, image->MemoryImage.end())));
  EXPECT_EQ(frames[774], Record(RecChunkEnd, 0x7FE00, 512));

  // CommonBlock never leaves the image.
  auto read = std::make_unique<TConfigImage>();
  TMemorySource source(sink.bytes);
  ASSERT_TRUE(ReadConfigFile(source, *read));
  EXPECT_EQ(read->MemoryImage, image->MemoryImage);
  EXPECT_EQ(read->SettingsBlock, image->SettingsBlock);
  for (uint8_t b : read->CommonBlock) ASSERT_EQ(b, 0);
}

TEST(WriteRecord, ReportsASinkThatFails) {
  struct TFullSink final : TByteSink {
    size_t room = 5;
    bool Put(const uint8_t*, size_t size) override {
      if (size > room) return false;
      room -= size;
      return true;
    }
  } sink;
  auto image = BlankImage();
  EXPECT_FALSE(WriteConfigSection(*image, 0, sink));
}

}  // namespace
}  // namespace karvelm
