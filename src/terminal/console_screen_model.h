// The module side of the console screen, for the simulator: a small line-editing monitor
// that writes into the 512-byte screen memory what a module would show for the keys it gets.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "terminal/terminal_screen.h"

namespace karvelm {

// Screen codes of a display text: the codes TerminalCharset shows as these characters
// (Cyrillic capitals as KOI-7 0x60..0x7E); characters it cannot show become "?".
uint8_t ToScreenCode(char16_t c);

class TConsoleScreenModel {
 public:
  // Longest input line the monitor keeps; further characters are not echoed.
  static constexpr int kMaxInput = 72;

  TConsoleScreenModel();

  // Blank screen, banner, prompt; the mode word is kept.
  void Boot();
  // A word written to the keyboard register: the low seven bits are the key.
  void Key(uint16_t word);
  // Shows text from the cursor on (display characters, see ToScreenCode), wrapping and
  // scrolling as typed characters do.
  void Print(std::u16string_view text);
  // Starts a new line, scrolling when the cursor is on the last one shown.
  void NewLine();

  void SetEightLines(bool on);
  bool EightLines() const { return (FMode & kTerminalEightLines) != 0; }
  int Rows() const { return EightLines() ? kTerminalLines / 2 : kTerminalLines; }
  int CursorRow() const { return FRow; }
  int CursorColumn() const { return FColumn; }

  const std::array<uint8_t, kTerminalScreenSize>& Screen() const { return FScreen; }
  uint16_t ModeWord() const { return FMode; }

  // Bus access to the screen words (161000..161777) and the mode word (160776), octal.
  // False for an address outside them.
  bool ReadWord(uint16_t address, uint16_t& value) const;
  bool WriteWord(uint16_t address, uint16_t value);

 private:
  void Put(uint8_t code);
  void Erase();
  void ScrollUp(int lines);
  void SetMode(uint16_t mode);

  std::array<uint8_t, kTerminalScreenSize> FScreen{};
  uint16_t FMode = 0;
  int FRow = 0;
  int FColumn = 0;
  int FInput = 0;  // characters typed since the prompt
};

}  // namespace karvelm
