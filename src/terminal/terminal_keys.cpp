#include "terminal/terminal_keys.h"

#include "link/commands.h"
#include "link/module_commands.h"

namespace karvelm {

namespace {

struct TKeyRow {
  TTermKey first;  // a run of keys first..last sends code, code + 1, ...
  TTermKey last;
  uint8_t code;
  bool ctrlOnly;  // sent only when the modifiers are exactly Ctrl
};

// clang-format off
constexpr TKeyRow kKeyTable[] = {
  {tkSlash,       tkSlash,       0xAF, false},
  {tkPadDivide,   tkPadDivide,   0xAF, false},
  {tkEqualPlus,   tkEqualPlus,   0x2B, false},
  {tkPadAdd,      tkPadAdd,      0x2B, false},
  {tkMinus,       tkMinus,       0x2D, false},
  {tkPadSubtract, tkPadSubtract, 0x2D, false},
  {tkA,           tkZ,           0x41, false},  // upper case whatever Shift says
  {tkDigit0,      tkDigit9,      0x30, false},
  {tkPad0,        tkPad9,        0x30, false},
  {tkBackspace,   tkBackspace,   0x7F, false},
  {tkEnter,       tkEnter,       0x0A, false},
  {tkBackslash,   tkBackslash,   0x8D, false},
  {tkF1,          tkF1,          0x12, true},
  {tkF2,          tkF2,          0x14, true},
  {tkF3,          tkF3,          0x16, true},
  {tkF4,          tkF4,          0x3B, true},
  {tkF5,          tkF5,          0x10, true},
  {tkF6,          tkF6,          0x1F, true},
  {tkF7,          tkF7,          0x18, true},
  {tkF8,          tkF8,          0x15, true},
  {tkF9,          tkF9,          0x11, true},
  {tkF10,         tkF10,         0x93, true},
};
// clang-format on

// The keypad's own keys for keys reported with the keypad flag.
TTermKey KeypadKey(TTermKey key) {
  if (key >= tkDigit0 && key <= tkDigit9) return PadDigitKey(key - tkDigit0);
  switch (key) {
    case tkSlash:
      return tkPadDivide;
    case tkEqualPlus:
      return tkPadAdd;
    case tkMinus:
      return tkPadSubtract;
    default:
      return key;
  }
}

}  // namespace

uint8_t TerminalKeyCode(TTermKey key, unsigned modifiers) {
  if (modifiers & tmKeypad) key = KeypadKey(key);
  const bool exactlyCtrl = (modifiers & (tmShift | tmCtrl | tmAlt)) == tmCtrl;
  for (const TKeyRow& row : kKeyTable) {
    if (key < row.first || key > row.last) continue;
    if (row.ctrlOnly && !exactlyCtrl) return 0;
    return static_cast<uint8_t>(row.code + (key - row.first));
  }
  return 0;
}

bool WriteTerminalKey(uint8_t code) {
  return WriteConsoleKey(code, kConsoleKeyRegister, kTimeoutDefault);
}

TKeySendResult SendTerminalKey(bool connected, const TKeyStroke& stroke) {
  TKeySendResult result;
  result.code = TerminalKeyCode(stroke);
  if (!connected) {
    result.outcome = ksNotConnected;
    return result;
  }
  // Checked before the key is looked at, as every key press does.
  if (!ProbeFirmware(kTimeoutDefault)) {
    result.outcome = ksNoAnswer;
    return result;
  }
  if (result.code == 0)
    result.outcome = ksNoCode;
  else
    result.outcome = WriteTerminalKey(result.code) ? ksSent : ksWriteFailed;
  return result;
}

}  // namespace karvelm
