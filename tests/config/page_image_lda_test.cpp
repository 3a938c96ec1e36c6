#include "config/page_image_lda.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>

#include "config/config_image.h"
#include "page_test_util.h"

namespace karvelm {
namespace {

using testing::Bytes;
using testing::LdaBlock;
using testing::LdaEnd;
using testing::Pattern;

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardSize = 64;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A page erased to 0xFF with guard bytes after it, to see writes past its end.
struct TGuardedPage {
  Bytes bytes = Bytes(kPageSize + kGuardSize, kGuard);
  TGuardedPage() { std::fill_n(bytes.begin(), kPageSize, 0xFF); }
  uint8_t* data() { return bytes.data(); }
  bool GuardIntact() const {
    return std::all_of(bytes.begin() + kPageSize, bytes.end(),
                       [](uint8_t b) { return b == kGuard; });
  }
};

bool Load(const Bytes& file, TGuardedPage& page) {
  TMemorySource source(file);
  return ReadAbsoluteLoader(source, page.data());
}

struct TLdaCase {
  const char* name;
  Bytes file;
  bool ok;
  Bytes pagePrefix;  // expected start of the page; the rest stays 0xFF
};

void PrintTo(const TLdaCase& c, std::ostream* os) {
  *os << c.name << " (" << c.file.size() << " bytes, " << (c.ok ? "read" : "refused") << ")";
}

Bytes BadChecksum(Bytes block) {
  block.back() = static_cast<uint8_t>(block.back() + 1);
  return block;
}

Bytes Cut(Bytes bytes, size_t drop) {
  bytes.resize(bytes.size() - drop);
  return bytes;
}

const Bytes kA = Pattern(512, 0x10);
const Bytes kB = Pattern(512, 0x80);

class ReadAbsoluteLoaderCases : public ::testing::TestWithParam<TLdaCase> {};

TEST_P(ReadAbsoluteLoaderCases, FillsThePageInFileOrder) {
  const TLdaCase& c = GetParam();
  TGuardedPage page;
  EXPECT_EQ(Load(c.file, page), c.ok);
  Bytes expected = c.pagePrefix;
  expected.resize(kPageSize, 0xFF);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), page.bytes.begin()));
  EXPECT_TRUE(page.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ReadAbsoluteLoaderCases,
    ::testing::Values(
        // Addresses 140000 and 150000 do not place the data: they follow one another.
        TLdaCase{"TwoBlocksAtTheirAddresses",
                 Join({LdaBlock(0140000, kA), LdaBlock(0150000, kB), LdaEnd()}), true,
                 Join({kA, kB})},
        TLdaCase{"LeaderAndGapsSkipped",
                 Join({Bytes(20, 0), LdaBlock(0, kA), Bytes{0, 0, 0x7F}, LdaEnd(), Bytes(9, 0)}),
                 true, kA},
        TLdaCase{"NothingAfterTheEndBlockIsRead",
                 Join({LdaBlock(0, kA), LdaEnd(), LdaBlock(0, kB)}), true, kA},
        TLdaCase{
            "EndBlockChecksumNotRead", Join({LdaBlock(0, {1, 2}), Cut(LdaEnd(), 1)}), true, {1, 2}},
        TLdaCase{"EndBlockChecksumNotChecked",
                 Join({LdaBlock(0, {1, 2}), BadChecksum(LdaEnd())}),
                 true,
                 {1, 2}},
        TLdaCase{"EmptyFile", {}, false, {}}, TLdaCase{"NoStartByte", Bytes(100, 0), false, {}},
        TLdaCase{"NoEndBlock", Join({LdaBlock(0, kA), LdaBlock(0, kB)}), false, Join({kA, kB})},
        TLdaCase{"ShortHeader", Join({LdaBlock(0, kA), Bytes{1, 0, 8, 0}}), false, kA},
        TLdaCase{"CountBelowSix", Join({LdaBlock(0, kA), Bytes{1, 0, 5, 0, 0, 0, 0xF9}}), false,
                 kA},
        // The blocks read before a bad one stay, and so does the bad block's data.
        TLdaCase{"BadChecksum",
                 Join({LdaBlock(0, {1, 2}), BadChecksum(LdaBlock(0, {3, 4})), LdaEnd()}),
                 false,
                 {1, 2, 3, 4}},
        TLdaCase{"MissingChecksum", Cut(LdaBlock(0, {1, 2, 3}), 1), false, {1, 2, 3}},
        TLdaCase{"ShortData", Cut(LdaBlock(0, {1, 2, 3}), 2), false, {1, 2}},
        TLdaCase{"ExactlyOnePage",
                 [] {
                   Bytes file;
                   for (int i = 0; i < 16; ++i) {
                     const Bytes block = LdaBlock(0, Pattern(512, static_cast<uint8_t>(i)));
                     file.insert(file.end(), block.begin(), block.end());
                   }
                   const Bytes end = LdaEnd();
                   file.insert(file.end(), end.begin(), end.end());
                   return file;
                 }(),
                 true,
                 [] {
                   Bytes page;
                   for (int i = 0; i < 16; ++i) {
                     const Bytes data = Pattern(512, static_cast<uint8_t>(i));
                     page.insert(page.end(), data.begin(), data.end());
                   }
                   return page;
                 }()},
        // One byte more than a page: refused, and the block that would overflow is not
        // written at all.
        TLdaCase{"DataBeyondThePage",
                 Join({LdaBlock(0, Bytes(8000, 0x11)), LdaBlock(0, Bytes(193, 0x22)), LdaEnd()}),
                 false, Bytes(8000, 0x11)},
        TLdaCase{"OneBlockLargerThanAPage",
                 Join({LdaBlock(0, Bytes(9000, 0x33)), LdaEnd()}),
                 false,
                 {}}),
    [](const ::testing::TestParamInfo<TLdaCase>& info) { return info.param.name; });

// Length of what a load wrote: loaded once over 0xFF and once over 0x00, the page agrees
// with itself exactly on the written bytes.
size_t WrittenLength(const std::string& path, bool& ok) {
  const Bytes file = testing::ReadBytes(path);
  Bytes high(kPageSize, 0xFF);
  Bytes low(kPageSize, 0x00);
  TMemorySource first(file);
  TMemorySource second(file);
  ok = ReadAbsoluteLoader(first, high.data());
  const bool again = ReadAbsoluteLoader(second, low.data());
  EXPECT_EQ(ok, again);
  size_t length = kPageSize;
  while (length > 0 && high[length - 1] != low[length - 1]) --length;
  return length;
}

TEST(ReadAbsoluteLoaderTapes, BinaryTapesThatFitLoadAllTheirData) {
  const struct {
    const char* file;
    size_t dataBytes;
  } tapes[] = {
      {"DEC-11-O1PA-PB.lda", 1060},
      {"DEC-11-E1PA-PB.lda", 3760},
      {"DEC-11-AJPB-PB.lda", 8012},
  };
  for (const auto& tape : tapes) {
    ASSERT_TRUE(std::filesystem::exists(testing::LdaFixture(tape.file))) << tape.file;
    bool ok = false;
    EXPECT_EQ(WrittenLength(testing::LdaFixture(tape.file), ok), tape.dataBytes) << tape.file;
    EXPECT_TRUE(ok) << tape.file;
  }
}

TEST(ReadAbsoluteLoaderTapes, DebuggerTapeStartsWithItsFirstBlocksData) {
  // After the leader: 01 00 | 08 00 | 22 00 | 04 41 | 90: two data bytes for address 000042.
  const Bytes file = testing::ReadBytes(testing::LdaFixture("DEC-11-O1PA-PB.lda"));
  TGuardedPage page;
  TMemorySource source(file);
  ASSERT_TRUE(ReadAbsoluteLoader(source, page.data()));
  EXPECT_EQ(page.bytes[0], 0x04);
  EXPECT_EQ(page.bytes[1], 0x41);
}

TEST(ReadAbsoluteLoaderTapes, TapeLargerThanAPageFailsInsideThePage) {
  const Bytes file = testing::ReadBytes(testing::LdaFixture("MAINDEC-11-DEQKC-B1-PB.lda"));
  ASSERT_GT(file.size(), kPageSize);
  TGuardedPage page;
  EXPECT_FALSE(Load(file, page));
  EXPECT_TRUE(page.GuardIntact());
}

TEST(ReadAbsoluteLoaderTapes, SourceTapeHasNoBlocks) {
  const Bytes file = testing::ReadBytes(testing::LdaFixture("DEC-11-O1PA-PA.lda"));
  ASSERT_FALSE(file.empty());
  TGuardedPage page;
  EXPECT_FALSE(Load(file, page));
  EXPECT_TRUE(std::all_of(page.bytes.begin(), page.bytes.begin() + kPageSize,
                          [](uint8_t b) { return b == 0xFF; }));
}

}  // namespace
}  // namespace karvelm
