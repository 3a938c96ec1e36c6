// The CRC of configuration frames: CRC-16/UMTS (polynomial 0x8005, initial 0, nothing
// reflected, no final XOR), computed the way the module does, one byte at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvelm {

// One step of the module's shift register: bits 8..23 of ((crc << 8) | byte) after eight
// shifts with the polynomial folded in.
uint16_t Crc16Step(uint8_t byte, uint16_t crc);

// Crc16Step from 0 over the bytes and then two zero bytes: the CRC stored after them.
uint16_t FrameCrc(const uint8_t* bytes, size_t count);

// Crc16Step from 0 over the bytes alone: 0 when they end with their own correct CRC.
uint16_t FrameCheck(const uint8_t* bytes, size_t count);

}  // namespace karvelm
