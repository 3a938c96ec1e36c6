#include "config/frame_crc.h"

#include <array>

namespace karvelm {

namespace {

// The byte step bit by bit: shift crc:byte left through the polynomial.
constexpr uint16_t Crc16StepBitwise(uint8_t byte, uint16_t crc) {
  uint32_t value = static_cast<uint32_t>(crc) << 8 | byte;
  for (int bit = 0; bit < 8; ++bit) {
    value <<= 1;
    if (value & 0x1000000) value ^= 0x1800500;  // drop bit 24, fold in 0x8005 << 8
  }
  return static_cast<uint16_t>(value >> 8);
}

// The step is linear: only the high byte of crc reaches the polynomial, so its effect is a
// table lookup and the rest just moves up by a byte.
constexpr std::array<uint16_t, 256> MakeStepTable() {
  std::array<uint16_t, 256> table{};
  for (int high = 0; high < 256; ++high)
    table[high] = Crc16StepBitwise(0, static_cast<uint16_t>(high << 8));
  return table;
}

constexpr std::array<uint16_t, 256> kStepTable = MakeStepTable();

static_assert(Crc16StepBitwise(0x31, 0x1234) == (((0x1234 & 0xFF) << 8 | 0x31) ^ kStepTable[0x12]));

// Eight steps at once. The step is linear, so each byte of the register and of the next eight
// input bytes adds its own share to the register eight steps later. A byte shifted in moves up
// unchanged for two steps, is then replaced by its table entry, and that entry goes on through
// the zero-byte steps that are left: kSlices[k][x] is kStepTable[x] after k more zero steps.
using TSliceTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr uint16_t ZeroStep(uint16_t crc) {
  return static_cast<uint16_t>((crc & 0xFF) << 8 ^ kStepTable[crc >> 8]);
}

constexpr TSliceTables MakeSliceTables() {
  TSliceTables slices{};
  slices[0] = kStepTable;
  for (size_t k = 1; k < slices.size(); ++k)
    for (int x = 0; x < 256; ++x) slices[k][x] = ZeroStep(slices[k - 1][x]);
  return slices;
}

constexpr TSliceTables kSlices = MakeSliceTables();

uint16_t EightSteps(uint16_t crc, const uint8_t* b) {
  const auto& s = kSlices;
  return static_cast<uint16_t>(s[7][crc >> 8] ^ s[6][crc & 0xFF] ^ s[5][b[0]] ^ s[4][b[1]] ^
                               s[3][b[2]] ^ s[2][b[3]] ^ s[1][b[4]] ^ s[0][b[5]] ^ b[6] << 8 ^
                               b[7]);
}

}  // namespace

uint16_t Crc16Step(uint8_t byte, uint16_t crc) {
  return static_cast<uint16_t>(((crc & 0xFF) << 8 | byte) ^ kStepTable[crc >> 8]);
}

uint16_t FrameCheck(const uint8_t* bytes, size_t count) {
  uint16_t crc = 0;
  size_t i = 0;
  for (; i + 8 <= count; i += 8) crc = EightSteps(crc, bytes + i);
  for (; i < count; ++i) crc = Crc16Step(bytes[i], crc);
  return crc;
}

uint16_t FrameCrc(const uint8_t* bytes, size_t count) {
  const uint16_t crc = FrameCheck(bytes, count);
  return Crc16Step(0, Crc16Step(0, crc));
}

}  // namespace karvelm
