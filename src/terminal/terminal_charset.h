// The module's console screen codes as display characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace karvelm {

// 7-bit screen code to display character. Line feed and carriage return pass through as such;
// the screen rendering draws them as placeholders.
extern const std::array<char16_t, 128> TerminalCharset;

// A screen byte as displayed: bit 7 ignored.
inline char16_t TerminalChar(uint8_t byte) {
  return TerminalCharset[byte & 0x7F];
}

// UTF-8 form of display text (every character the terminal shows is in the BMP).
std::string TerminalUtf8(std::u16string_view text);

}  // namespace karvelm
