#include "config/frame_crc.h"

namespace karvelm {

uint16_t Crc16Step(uint8_t byte, uint16_t crc) {
  uint32_t value = static_cast<uint32_t>(crc) << 8 | byte;
  for (int bit = 0; bit < 8; ++bit) {
    value <<= 1;
    if (value & 0x1000000) value ^= 0x1800500;  // drop bit 24, fold in 0x8005 << 8
  }
  return static_cast<uint16_t>(value >> 8);
}

uint16_t FrameCheck(const uint8_t* bytes, size_t count) {
  uint16_t crc = 0;
  for (size_t i = 0; i < count; ++i) crc = Crc16Step(bytes[i], crc);
  return crc;
}

uint16_t FrameCrc(const uint8_t* bytes, size_t count) {
  const uint16_t crc = FrameCheck(bytes, count);
  return Crc16Step(0, Crc16Step(0, crc));
}

}  // namespace karvelm
