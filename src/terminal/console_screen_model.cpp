#include "terminal/console_screen_model.h"

#include <algorithm>

#include "terminal/terminal_charset.h"

namespace karvelm {

namespace {

constexpr uint8_t kBlank = 0x20;
constexpr std::u16string_view kBanner[] = {u"МОДУЛЬ KARVELM", u"МОНИТОР КОНСОЛИ"};
constexpr std::u16string_view kPrompt = u"> ";

}  // namespace

uint8_t ToScreenCode(char16_t c) {
  // Printable codes only: the control range holds "?" and "o" stand-ins as well.
  for (int code = 0x20; code < 0x7F; ++code)
    if (TerminalCharset[code] == c) return static_cast<uint8_t>(code);
  return '?';
}

TConsoleScreenModel::TConsoleScreenModel() {
  Boot();
}

void TConsoleScreenModel::Boot() {
  FScreen.fill(kBlank);
  FRow = FColumn = FInput = 0;
  for (std::u16string_view line : kBanner) {
    Print(line);
    NewLine();
  }
  Print(kPrompt);
}

void TConsoleScreenModel::Key(uint16_t word) {
  const uint8_t code = word & 0x7F;
  switch (code) {
    case 0x0A:  // Enter
    case 0x0D:  // the "\" key sends a return with bit 7 set
      NewLine();
      Print(kPrompt);
      FInput = 0;
      return;
    case 0x08:
    case 0x7F:
      Erase();
      return;
    default:
      // Other control codes (the function keys) change nothing on the screen.
      if (code < 0x20 || FInput >= kMaxInput) return;
      Put(code);
      ++FInput;
  }
}

void TConsoleScreenModel::Print(std::u16string_view text) {
  for (char16_t c : text) Put(ToScreenCode(c));
}

void TConsoleScreenModel::Put(uint8_t code) {
  FScreen[kTerminalColumns * FRow + FColumn] = code;
  if (++FColumn == kTerminalColumns) NewLine();
}

void TConsoleScreenModel::NewLine() {
  FColumn = 0;
  if (FRow + 1 < Rows())
    ++FRow;
  else
    ScrollUp(1);
}

void TConsoleScreenModel::Erase() {
  // Never into the prompt, nor above the top line.
  if (FInput == 0 || (FRow == 0 && FColumn == 0)) return;
  --FInput;
  if (FColumn > 0) {
    --FColumn;
  } else {
    // The input wrapped: back to the end of the line above.
    --FRow;
    FColumn = kTerminalColumns - 1;
  }
  FScreen[kTerminalColumns * FRow + FColumn] = kBlank;
}

// Moves the shown lines up within the rows in use and blanks the freed ones at the bottom.
void TConsoleScreenModel::ScrollUp(int lines) {
  const int rows = Rows();
  lines = std::clamp(lines, 0, rows);
  const auto first = FScreen.begin();
  std::copy(first + kTerminalColumns * lines, first + kTerminalColumns * rows, first);
  std::fill(first + kTerminalColumns * (rows - lines), first + kTerminalColumns * rows, kBlank);
}

void TConsoleScreenModel::SetEightLines(bool on) {
  SetMode(on ? (FMode | kTerminalEightLines) : static_cast<uint16_t>(FMode & ~kTerminalEightLines));
}

void TConsoleScreenModel::SetMode(uint16_t mode) {
  const bool toEight = !EightLines() && (mode & kTerminalEightLines);
  if (toEight) {
    // Keep the cursor line in view: scroll the full screen so that it lands on line 7,
    // then blank the lines no longer shown.
    const int half = kTerminalLines / 2;
    if (FRow >= half) {
      ScrollUp(FRow - half + 1);
      FRow = half - 1;
    }
    std::fill(FScreen.begin() + kTerminalColumns * half, FScreen.end(), kBlank);
  }
  FMode = mode;
}

bool TConsoleScreenModel::ReadWord(uint16_t address, uint16_t& value) const {
  if (address == kTerminalModeAddress) {
    value = FMode;
    return true;
  }
  const int offset = address - kTerminalScreenAddress;
  if (offset < 0 || offset >= kTerminalScreenSize) return false;
  const int even = offset & ~1;
  value = static_cast<uint16_t>(FScreen[even] | FScreen[even + 1] << 8);
  return true;
}

bool TConsoleScreenModel::WriteWord(uint16_t address, uint16_t value) {
  if (address == kTerminalModeAddress) {
    SetMode(value);
    return true;
  }
  const int offset = address - kTerminalScreenAddress;
  if (offset < 0 || offset >= kTerminalScreenSize) return false;
  const int even = offset & ~1;
  FScreen[even] = static_cast<uint8_t>(value);
  FScreen[even + 1] = static_cast<uint8_t>(value >> 8);
  return true;
}

}  // namespace karvelm
