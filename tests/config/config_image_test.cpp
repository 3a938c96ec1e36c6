#include "config/config_image.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "config/config_fields.h"
#include "config/memory_map.h"
#include "config_test_util.h"

namespace karvelm {
namespace {

using testing::BlankImage;
using testing::Bytes;

TEST(ConfigImage, ResetGivesTheInitialState) {
  auto image = std::make_unique<TConfigImage>();
  image->CommonBlock.fill(0x11);
  image->SettingsBlock.fill(0x22);
  image->SetPointBlock.fill(0x33);
  image->MemoryImage.fill(0x44);
  image->PageSum.fill(5);
  image->PageCrc.fill(6);
  ResetConfigImage(*image);

  for (uint8_t b : image->MemoryImage) ASSERT_EQ(b, 0xFF);
  for (uint8_t b : image->CommonBlock) ASSERT_EQ(b, 0);
  for (uint8_t b : image->SetPointBlock) ASSERT_EQ(b, 0);
  for (int p = 0; p < kPageCount; ++p) {
    EXPECT_EQ(image->PageSum[p], 0);
    EXPECT_EQ(image->PageCrc[p], 0);
  }
  for (int w = 0; w < kSettingsWords; ++w) {
    uint16_t expected = 0;
    if (w == RamSaveMode) expected = 1;
    if (w == IntReg140 || w == IntReg200 || w == IntReg240) expected = 255;
    EXPECT_EQ(SettingsWord(*image, w), expected) << "word " << w;
  }
}

TEST(ConfigImage, WordsAreLittleEndianByIndex) {
  auto image = BlankImage();
  SetSettingsWord(*image, 3, 0x1234);
  EXPECT_EQ(image->SettingsBlock[6], 0x34);
  EXPECT_EQ(image->SettingsBlock[7], 0x12);
  SetSetPointWord(*image, 15, 0xBEEF);
  EXPECT_EQ(image->SetPointBlock[30], 0xEF);
  EXPECT_EQ(image->SetPointBlock[31], 0xBE);
  EXPECT_EQ(SetPointWord(*image, 15), 0xBEEF);
  EXPECT_EQ(SettingsWord(*image, 3), 0x1234);
}

struct PageCheckCase {
  const char* what;
  Bytes data;
  uint16_t sum;
  uint16_t crc;
};

TEST(PageChecks, KnownValues) {
  const Bytes digits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  const PageCheckCase cases[] = {
      {"erased page", Bytes(kPageSize, 0xFF), 0xFFFF, 0x3FFF},
      {"zero page", Bytes(kPageSize, 0x00), 0x0000, 0x6FFF},
      // 0xFFFF + 0x0001 overflows: end-around carry gives 0x0001
      {"carry wraps around", Bytes{0xFF, 0xFF, 0x01, 0x00}, 0x0001, 0x9001},
      {"words are little-endian", Bytes{0x34, 0x12, 0x01, 0x00}, 0x1235, 0x81AF},
  };
  for (const PageCheckCase& c : cases) {
    EXPECT_EQ(PageSum16(c.data.size(), c.data.data()), c.sum) << c.what;
    EXPECT_EQ(PageCrc16(c.data.size(), c.data.data()), c.crc) << c.what;
  }
  EXPECT_EQ(PageCrc16(digits.size(), digits.data()), 0x4B37);  // CRC-16/MODBUS check value
}

// The checks word by word and bit by bit, as defined, against the library's on random data
// of every length up to a few blocks and on whole pages.
TEST(PageChecks, EqualTheirDefinitions) {
  auto sumByDefinition = [](const Bytes& data) {
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 2) {
      sum += data[i] | (i + 1 < data.size() ? data[i + 1] << 8 : 0);
      if (sum > 0xFFFF) sum = (sum & 0xFFFF) + 1;
    }
    return static_cast<uint16_t>(sum);
  };
  auto crcByDefinition = [](const Bytes& data) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : data) {
      crc ^= byte;
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
  };
  std::mt19937 random(7);
  auto randomBytes = [&](size_t length) {
    Bytes data(length);
    for (uint8_t& byte : data) byte = static_cast<uint8_t>(random());
    return data;
  };
  std::vector<Bytes> samples;
  for (size_t length = 0; length <= 40; ++length) samples.push_back(randomBytes(length));
  samples.push_back(randomBytes(kPageSize));
  samples.emplace_back(kPageSize, 0xFF);  // sums to 0xFFFF, never folded to 0
  samples.back()[100] = 0xFE;
  for (const Bytes& data : samples) {
    EXPECT_EQ(PageSum16(data.size(), data.data()), sumByDefinition(data)) << data.size();
    EXPECT_EQ(PageCrc16(data.size(), data.data()), crcByDefinition(data)) << data.size();
  }
}

TEST(PageChecks, UpdateTouchesOnlyItsPage) {
  auto image = BlankImage();
  std::fill_n(image->Page(3), kPageSize, 0);
  UpdatePageChecks(*image, 3);
  EXPECT_EQ(image->PageSum[3], 0);
  EXPECT_EQ(image->PageCrc[3], 0x6FFF);
  EXPECT_EQ(image->PageSum[2], 0);  // not yet computed
  EXPECT_EQ(image->PageCrc[4], 0);
  UpdateAllPageChecks(*image);
  EXPECT_EQ(image->PageSum[2], 0xFFFF);
  EXPECT_EQ(image->PageCrc[15], 0x3FFF);
  ClearPageChecks(*image);
  EXPECT_EQ(image->PageSum[15], 0);
  EXPECT_EQ(image->PageCrc[3], 0);
}

TEST(SealSettingsBlock, SetsFormatAndSumOfWords0To254) {
  auto image = std::make_unique<TConfigImage>();
  SealSettingsBlock(*image);
  EXPECT_EQ(SettingsWord(*image, SettingsFormat), 10);
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 10);

  for (int w = 0; w < kSettingsWords; ++w) SetSettingsWord(*image, w, 0xFFFF);
  SealSettingsBlock(*image);
  EXPECT_EQ(SettingsWord(*image, SettingsFormat), 10);
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 0xFF0C);  // old word 255 is not summed

  ResetConfigImage(*image);
  SealSettingsBlock(*image);
  EXPECT_EQ(SettingsWord(*image, SettingsChecksum), 776);  // 1 + 3 * 255 + 10
}

TEST(MemoryMapTable, ShapeAndInvariants) {
  ASSERT_EQ(MemoryMapTable.size(), 21u);
  for (size_t row = 0; row < MemoryMapTable.size(); ++row) {
    EXPECT_EQ(MemoryMapTable[row][0], 0x00) << "layout " << row + 1 << ": bank 0 is RAM";
    for (uint8_t cell : MemoryMapTable[row]) EXPECT_LT(cell, 0x20) << "layout " << row + 1;
  }
  auto romPages = [](int layout) {
    std::set<int> pages;
    for (uint8_t cell : MemoryMapTable[layout - 1]) {
      if (IsRomCell(cell)) pages.insert(RomPageOf(cell));
    }
    return pages;
  };
  EXPECT_TRUE(romPages(17).empty());
  EXPECT_EQ(romPages(14).size(), 16u);
  EXPECT_EQ(romPages(1), (std::set<int>{0, 1, 2, 3, 4, 5}));
}

TEST(MemoryMapTable, CellsByBankAndPage) {
  struct Case {
    int layout, bank, page;
    uint8_t cell;
  } cases[] = {
      {1, 1, 0, 0x02},  {1, 2, 3, 0x10},  {1, 6, 0, 0x01},  {1, 6, 7, 0x15},
      {5, 5, 1, 0x06},  {5, 6, 1, 0x07},  {7, 1, 3, 0x06},  {12, 6, 6, 0x1D},
      {13, 6, 7, 0x1F}, {14, 2, 0, 0x04}, {21, 5, 2, 0x07}, {21, 5, 3, 0x11},
      {21, 6, 7, 0x18}, {4, 1, 2, 0x10},  {19, 6, 0, 0x15}, {20, 6, 3, 0x18},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MemoryMapTable[c.layout - 1][MemoryMapCell(c.bank, c.page)], c.cell)
        << "layout " << c.layout << " bank " << c.bank << " page " << c.page;
  }
  EXPECT_EQ(MemoryMapCell(6, 7), 40);
}

}  // namespace
}  // namespace karvelm
