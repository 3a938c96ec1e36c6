// The run-length code of configuration records: control bytes 0x00..0x7F start a literal
// of that many bytes, 0x80..0xFF repeat the next byte (control AND 0x7F) times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace karvelm {

constexpr int kRleMaxBlock = 127;

// The encoder's exact output is part of the file format: the frame CRC depends on it.
std::vector<uint8_t> RleEncode(const uint8_t* input, size_t length);

enum TRleStatus : uint8_t {
  rsOk,
  rsTooLong,    // the output would exceed the given limit
  rsTruncated,  // a block needs more bytes than were given
};

// Expands exactly length encoded bytes into decoded (replacing its content). Stops without
// writing past limit bytes.
TRleStatus RleDecode(const uint8_t* encoded, size_t length, std::vector<uint8_t>& decoded,
                     size_t limit = SIZE_MAX);

}  // namespace karvelm
