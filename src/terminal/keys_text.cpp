#include "terminal/keys_text.h"

#include <cstdint>
#include <cstdio>

namespace karvelm {

namespace {

// Length of the UTF-8 sequence starting at text[i]; 1 for a byte that starts none.
size_t CharLength(std::string_view text, size_t i) {
  const auto lead = static_cast<uint8_t>(text[i]);
  size_t n = 1;
  if ((lead & 0xE0) == 0xC0)
    n = 2;
  else if ((lead & 0xF0) == 0xE0)
    n = 3;
  else if ((lead & 0xF8) == 0xF0)
    n = 4;
  if (i + n > text.size()) return 1;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// "{F1}".."{F10}" at the start of rest: the key number and the length, or 0.
int FunctionKeyAt(std::string_view rest, size_t& length) {
  for (int n = 10; n >= 1; --n) {
    const std::string name = "{F" + std::to_string(n) + "}";
    if (rest.substr(0, name.size()) == name) {
      length = name.size();
      return n;
    }
  }
  return 0;
}

bool StrokeFor(char c, TKeyStroke& stroke) {
  stroke.modifiers = tmNone;
  if (c >= 'A' && c <= 'Z') {
    stroke.key = LetterKey(c - 'A');
  } else if (c >= 'a' && c <= 'z') {
    stroke.key = LetterKey(c - 'a');
  } else if (c >= '0' && c <= '9') {
    stroke.key = DigitKey(c - '0');
  } else {
    switch (c) {
      case '/':
        stroke.key = tkSlash;
        break;
      case '+':
      case '=':
        stroke.key = tkEqualPlus;
        break;
      case '-':
        stroke.key = tkMinus;
        break;
      case '\\':
        stroke.key = tkBackslash;
        break;
      case '\n':
        stroke.key = tkEnter;
        break;
      case '\b':
        stroke.key = tkBackspace;
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace

TKeysText ParseKeysText(std::string_view text) {
  TKeysText result;
  for (size_t i = 0; i < text.size();) {
    TKeyStroke stroke;
    size_t length = 1;
    if (const int n = FunctionKeyAt(text.substr(i), length); n != 0) {
      stroke = {FunctionKey(n), tmCtrl};
    } else if (!StrokeFor(text[i], stroke)) {
      length = CharLength(text, i);
      result.badChar = std::string(text.substr(i, length));
      result.badOffset = i;
      result.strokes.clear();
      return result;
    }
    result.strokes.push_back(stroke);
    i += length;
  }
  result.ok = true;
  return result;
}

std::string DescribeKeysChar(std::string_view character) {
  char buffer[16];
  if (character.size() == 1) {
    const auto byte = static_cast<uint8_t>(character[0]);
    if (byte >= 0x20 && byte < 0x7F) return "\"" + std::string(character) + "\"";
    std::snprintf(buffer, sizeof buffer, byte < 0x80 ? "U+%04X" : "0x%02X", byte);
    return buffer;
  }
  // A whole UTF-8 sequence: shown as it is, with its code point.
  uint32_t code = static_cast<uint8_t>(character[0]) & (0x7F >> character.size());
  for (size_t k = 1; k < character.size(); ++k)
    code = code << 6 | (static_cast<uint8_t>(character[k]) & 0x3F);
  std::snprintf(buffer, sizeof buffer, " (U+%04X)", static_cast<unsigned>(code));
  return "\"" + std::string(character) + "\"" + buffer;
}

}  // namespace karvelm
