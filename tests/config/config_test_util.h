// Helpers of the configuration tests: images on the heap, hex byte strings, hand-made frames.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/frame_crc.h"
#include "config/rle.h"

namespace karvelm::testing {

using Bytes = std::vector<uint8_t>;

inline std::unique_ptr<TConfigImage> BlankImage() {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  return image;
}

// "00 0A 05" -> {0x00, 0x0A, 0x05}
inline Bytes Hex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  std::string item;
  while (in >> item) bytes.push_back(static_cast<uint8_t>(std::stoul(item, nullptr, 16)));
  return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

// A frame around already encoded bytes: length field, the bytes, their CRC.
inline Bytes FrameOf(const Bytes& encoded) {
  const size_t length = encoded.size() + 2;
  Bytes frame{static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
  frame.insert(frame.end(), encoded.begin(), encoded.end());
  const uint16_t crc = FrameCrc(encoded.data(), encoded.size());
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  frame.push_back(static_cast<uint8_t>(crc));
  return frame;
}

// A decoded record list (header bytes, payloads, terminator), encoded and framed.
inline Bytes EncodedFrameOf(const Bytes& decoded) {
  return FrameOf(RleEncode(decoded.data(), decoded.size()));
}

// One record's decoded bytes (without the list terminator).
inline Bytes RecordBytes(uint8_t type, uint32_t address, uint16_t length,
                         const Bytes& payload = {}) {
  Bytes record{type,
               static_cast<uint8_t>(address >> 16),
               static_cast<uint8_t>(address >> 8),
               static_cast<uint8_t>(address),
               static_cast<uint8_t>(length >> 8),
               static_cast<uint8_t>(length)};
  record.insert(record.end(), payload.begin(), payload.end());
  return record;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace karvelm::testing
