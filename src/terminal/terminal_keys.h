// The console keyboard: which key sends which code to the module's keyboard register.
// Keys are named here independently of any toolkit; a front end maps its own keys onto them.
#pragma once

#include <cstdint>

namespace karvelm {

enum TTermKey : uint8_t {
  // clang-format off
  tkA, tkB, tkC, tkD, tkE, tkF, tkG, tkH, tkI, tkJ, tkK, tkL, tkM,
  tkN, tkO, tkP, tkQ, tkR, tkS, tkT, tkU, tkV, tkW, tkX, tkY, tkZ,
  tkDigit0, tkDigit1, tkDigit2, tkDigit3, tkDigit4,
  tkDigit5, tkDigit6, tkDigit7, tkDigit8, tkDigit9,
  tkPad0, tkPad1, tkPad2, tkPad3, tkPad4, tkPad5, tkPad6, tkPad7, tkPad8, tkPad9,
  tkPadDivide, tkPadAdd, tkPadSubtract,
  tkSlash,      // "/" key of the main keyboard
  tkEqualPlus,  // "=" / "+" key
  tkMinus,      // "-" key
  tkBackslash,  // "\" key
  tkBackspace, tkEnter,
  tkF1, tkF2, tkF3, tkF4, tkF5, tkF6, tkF7, tkF8, tkF9, tkF10,
  tkSpace,
  tkOther,      // any key the table does not name
  // clang-format on
};

// Modifier flags. tmKeypad marks a key from the numeric keypad: with it, a digit, "/", "+"
// or "-" is the keypad's key.
enum TTermModifier : unsigned {
  tmNone = 0,
  tmShift = 1,
  tmCtrl = 2,
  tmAlt = 4,
  tmKeypad = 8,
};

inline TTermKey LetterKey(int index) {  // 0 = A .. 25 = Z
  return static_cast<TTermKey>(tkA + index);
}
inline TTermKey DigitKey(int digit) {
  return static_cast<TTermKey>(tkDigit0 + digit);
}
inline TTermKey PadDigitKey(int digit) {
  return static_cast<TTermKey>(tkPad0 + digit);
}
inline TTermKey FunctionKey(int n) {  // 1 = F1 .. 10 = F10
  return static_cast<TTermKey>(tkF1 + n - 1);
}

// One key press as a front end reports it.
struct TKeyStroke {
  TTermKey key = tkOther;
  unsigned modifiers = tmNone;
  bool operator==(const TKeyStroke&) const = default;
};

// The code the key sends, 0 when it sends nothing. F1..F10 send only with exactly Ctrl
// (no Shift, no Alt); every other key whatever the modifiers say.
uint8_t TerminalKeyCode(TTermKey key, unsigned modifiers);
inline uint8_t TerminalKeyCode(const TKeyStroke& stroke) {
  return TerminalKeyCode(stroke.key, stroke.modifiers);
}

enum TKeySend : int {
  ksSent,          // the code was written and acknowledged
  ksNotConnected,  // the firmware is not connected: nothing sent
  ksNoAnswer,      // the module did not answer the check: nothing sent
  ksNoCode,        // the key sends nothing
  ksWriteFailed,   // the write got no acknowledgement; not repeated
};

struct TKeySendResult {
  TKeySend outcome = ksNoCode;
  uint8_t code = 0;  // the code of the key, 0 when none
};

// A key pressed on the terminal page: with the firmware connected and answering the check,
// its code (if any) goes to the console keyboard register over ActiveLink.
TKeySendResult SendTerminalKey(bool connected, const TKeyStroke& stroke);

// The write alone: the code to the console keyboard register, no check before.
bool WriteTerminalKey(uint8_t code);

}  // namespace karvelm
