#include "config/rle.h"

#include <gtest/gtest.h>

#include <random>

#include "config/frame_crc.h"
#include "config_test_util.h"

namespace karvelm {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::ToHex;

Bytes Repeat(uint8_t value, size_t count) {
  return Bytes(count, value);
}
Bytes Counting(size_t count, uint8_t first = 0) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}
Bytes Join(std::initializer_list<Bytes> parts) {
  return testing::Concat(parts);
}
std::string Expect(std::initializer_list<Bytes> parts) {
  return ToHex(Join(parts));
}

struct RleCase {
  const char* what;
  Bytes input;
  std::string encoded;  // hex
};

std::ostream& operator<<(std::ostream& out, const RleCase& c) {
  return out << c.what;
}

class RleEncoder : public ::testing::TestWithParam<RleCase> {};

TEST_P(RleEncoder, ProducesExactlyTheFileBytes) {
  const RleCase& c = GetParam();
  EXPECT_EQ(ToHex(RleEncode(c.input.data(), c.input.size())), c.encoded);
}

TEST_P(RleEncoder, DecodesBackToTheInput) {
  const RleCase& c = GetParam();
  const Bytes encoded = Hex(c.encoded);
  Bytes decoded;
  ASSERT_EQ(RleDecode(encoded.data(), encoded.size(), decoded), rsOk);
  EXPECT_EQ(decoded, c.input);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RleEncoder,
    ::testing::Values(
        RleCase{"three letters", {'a', 'b', 'c'}, "03 61 62 63"},
        RleCase{"runs then a literal",
                {'a', 'a', 'a', 'b', 'b', 'b', 'c', 'd'},
                "83 61 83 62 02 63 64"},
        RleCase{"200 zero bytes", Repeat(0, 200), "FF 00 C9 00"},
        RleCase{"one byte", {0x42}, "01 42"}, RleCase{"a pair is a run", {7, 7}, "82 07"},
        RleCase{"run inside a literal", {1, 2, 3, 3, 4}, "02 01 02 82 03 01 04"},
        RleCase{"literal keeps one byte before a run", {1, 2, 2}, "01 01 82 02"},
        RleCase{"run of 127 is one block", Repeat(9, 127), "FF 09"},
        RleCase{"run of 128: the 128th byte opens a literal", Repeat(9, 128), "FF 09 01 09"},
        RleCase{"run of 129: the overflow becomes a run again", Repeat(9, 129), "FF 09 82 09"},
        RleCase{"run of 254", Repeat(9, 254), "FF 09 FF 09"},
        RleCase{"run then other byte", {5, 5, 5, 6}, "83 05 01 06"},
        RleCase{"literal of 127 is one block", Counting(127), Expect({{0x7F}, Counting(127)})},
        RleCase{"the 128th distinct byte opens a literal", Counting(128),
                Expect({{0x7F}, Counting(127), {0x01, 0x7F}})},
        RleCase{"a run right after a full literal", Join({Counting(127), {0x7E}}),
                Expect({{0x7E}, Counting(126), {0x82, 0x7E}})},
        RleCase{"record end", Hex("07 00 00 00 00 00 00"), "01 07 86 00"},
        RleCase{"512 bytes of 0xFF record",
                Join({Hex("03 00 00 00 02 00"), Repeat(0xFF, 512), {0x00}}),
                "01 03 83 00 02 02 00 FF FF FF FF FF FF FF FF 84 FF 01 00"}));

TEST(RleEncoder, NoBlockBreaksTheCodeRules) {
  // Random data with many short and long runs: every block follows the rules of the code.
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    Bytes input;
    const int pieces = 1 + static_cast<int>(random() % 40);
    for (int k = 0; k < pieces; ++k) {
      const uint8_t value = static_cast<uint8_t>(random() % 4);
      input.insert(input.end(), 1 + random() % (random() % 8 == 0 ? 300 : 4), value);
    }
    const Bytes encoded = RleEncode(input.data(), input.size());
    for (size_t i = 0; i < encoded.size();) {
      const uint8_t control = encoded[i];
      if (control & 0x80) {
        ASSERT_GE(control & 0x7F, 2) << "run shorter than 2";
        i += 2;
      } else {
        ASSERT_GE(control, 1) << "empty literal";
        ASSERT_LE(i + control, encoded.size() - 1);
        if (control >= 2) {
          ASSERT_NE(encoded[i + control], encoded[i + control - 1])
              << "literal ends with two equal bytes";
        }
        i += 1 + control;
      }
    }
    Bytes decoded;
    ASSERT_EQ(RleDecode(encoded.data(), encoded.size(), decoded), rsOk);
    ASSERT_EQ(decoded, input);
  }
}

TEST(RleDecoder, ZeroCountsTruncationAndLimit) {
  Bytes decoded{1, 2, 3};
  const Bytes zeroCounts = Hex("00 80 41 02 61 62");
  ASSERT_EQ(RleDecode(zeroCounts.data(), zeroCounts.size(), decoded), rsOk);
  EXPECT_EQ(decoded, (Bytes{'a', 'b'}));

  const Bytes literalCut = Hex("05 61 62");
  EXPECT_EQ(RleDecode(literalCut.data(), literalCut.size(), decoded), rsTruncated);
  const Bytes runCut = Hex("02 61 62 85");
  EXPECT_EQ(RleDecode(runCut.data(), runCut.size(), decoded), rsTruncated);

  const Bytes big = Hex("FF 00 FF 00 FF 00");  // 381 bytes
  EXPECT_EQ(RleDecode(big.data(), big.size(), decoded, 381), rsOk);
  EXPECT_EQ(RleDecode(big.data(), big.size(), decoded, 380), rsTooLong);
  EXPECT_LE(decoded.size(), 380u);
}

TEST(FrameCrc, CheckValueAndSelfCheck) {
  const Bytes digits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(FrameCrc(digits.data(), digits.size()), 0xFEE8);
  EXPECT_EQ(FrameCrc(nullptr, 0), 0);
  Bytes withCrc = digits;
  withCrc.push_back(0xFE);
  withCrc.push_back(0xE8);
  EXPECT_EQ(FrameCheck(withCrc.data(), withCrc.size()), 0);
  withCrc[3] ^= 0x01;
  EXPECT_NE(FrameCheck(withCrc.data(), withCrc.size()), 0);
  // A byte shifted through a zero register comes out unchanged in the low half.
  EXPECT_EQ(Crc16Step(0x01, 0), 0x0001);
}

// The whole-frame check equals the byte step applied in order, for every length up to a few
// blocks of eight and for a full-size frame.
TEST(FrameCrc, CheckEqualsTheByteStepInOrder) {
  std::mt19937 random(3);
  Bytes data(1024);
  for (uint8_t& byte : data) byte = static_cast<uint8_t>(random());
  for (size_t length : {0, 1, 2, 7, 8, 9, 15, 16, 17, 23, 24, 25, 31, 1023, 1024}) {
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i) crc = Crc16Step(data[i], crc);
    EXPECT_EQ(FrameCheck(data.data(), length), crc) << length;
  }
}

}  // namespace
}  // namespace karvelm
