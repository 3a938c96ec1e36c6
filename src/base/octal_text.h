// Text forms of module words: octal as the legacy controllers document their addresses,
// and the 16-character bit pattern.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace karvelm {

class TConvertError : public std::runtime_error {
 public:
  TConvertError() : std::runtime_error("Ошибка преобразования") {}
};

// Octal digits only, at least one; digits beyond the sixth keep the low 16 bits (200000 gives
// 0). Throws TConvertError on an empty text or any other character.
uint16_t OctalToWord(std::string_view text);
std::optional<uint16_t> TryOctalToWord(std::string_view text);

// Like OctalToWord but refuses values above 177777 instead of wrapping them, for inputs
// where a wrapped value would silently address something else.
std::optional<uint16_t> ParseOctalWordStrict(std::string_view text);

// 1 to 6 octal digits without leading zeros; 0 gives "0".
std::string WordToOctal(uint16_t value);

// 16 characters "1"/"0", bit 15 first.
std::string WordToBits(uint16_t value);

}  // namespace karvelm
