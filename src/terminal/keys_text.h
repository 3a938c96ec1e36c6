// Text typed on the console keyboard from the command line: each character is one key of
// the terminal's key table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/terminal_keys.h"

namespace karvelm {

struct TKeysText {
  bool ok = false;
  std::vector<TKeyStroke> strokes;  // in order; empty when not ok
  // When not ok: the first character outside the table, as it stood in the text (UTF-8),
  // and its byte offset.
  std::string badChar;
  size_t badOffset = 0;
};

// Letters (either case), digits, "/", "+", "=", "-", "\"; a line feed is Enter, a backspace
// (0x08) is Backspace; "{F1}".."{F10}" are Ctrl+F1..Ctrl+F10. Anything else, a "{" that
// opens no such name included, makes the whole text fail.
TKeysText ParseKeysText(std::string_view text);

// The offending character for a message: printable ones as they are, others (controls,
// bytes that are not UTF-8) as U+XXXX or 0xXX.
std::string DescribeKeysChar(std::string_view character);

}  // namespace karvelm
