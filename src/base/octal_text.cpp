#include "base/octal_text.h"

namespace karvelm {

std::optional<uint16_t> TryOctalToWord(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint16_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '7') return std::nullopt;
    value = static_cast<uint16_t>(value * 8 + (c - '0'));
  }
  return value;
}

uint16_t OctalToWord(std::string_view text) {
  std::optional<uint16_t> value = TryOctalToWord(text);
  if (!value) throw TConvertError();
  return *value;
}

std::optional<uint16_t> ParseOctalWordStrict(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '7') return std::nullopt;
    value = value * 8 + static_cast<uint32_t>(c - '0');
    if (value > 0xFFFF) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

std::string WordToOctal(uint16_t value) {
  std::string text;
  for (int shift = 15; shift >= 0; shift -= 3) {
    const char digit = static_cast<char>('0' + ((value >> shift) & 7));
    if (text.empty() && digit == '0' && shift != 0) continue;
    text += digit;
  }
  return text;
}

std::string WordToBits(uint16_t value) {
  std::string text(16, '0');
  for (int bit = 0; bit < 16; ++bit)
    if (value & (1u << bit)) text[15 - bit] = '1';
  return text;
}

}  // namespace karvelm
