#include "terminal/ui/terminal_key_map.h"

namespace karvelm {

namespace {

// Shifted symbols of a US keyboard's main block: the key under them.
struct TSymbolKey {
  int qtKey;
  TTermKey key;
};

constexpr TSymbolKey kShiftedSymbols[] = {
    {Qt::Key_ParenRight, tkDigit0},  {Qt::Key_Exclam, tkDigit1},    {Qt::Key_At, tkDigit2},
    {Qt::Key_NumberSign, tkDigit3},  {Qt::Key_Dollar, tkDigit4},    {Qt::Key_Percent, tkDigit5},
    {Qt::Key_AsciiCircum, tkDigit6}, {Qt::Key_Ampersand, tkDigit7}, {Qt::Key_Asterisk, tkDigit8},
    {Qt::Key_ParenLeft, tkDigit9},   {Qt::Key_Question, tkSlash},   {Qt::Key_Plus, tkEqualPlus},
    {Qt::Key_Underscore, tkMinus},   {Qt::Key_Bar, tkBackslash},
};

// The Russian keyboard's letters on the Latin letter keys, A..Z (Qt reports a letter key by
// its upper-case character).
constexpr char16_t kRussianLetters[] = u"ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ";

TTermKey MainKey(int qtKey, bool keypad) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return LetterKey(qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return DigitKey(qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) return FunctionKey(qtKey - Qt::Key_F1 + 1);
  switch (qtKey) {
    case Qt::Key_Slash:
      return tkSlash;
    case Qt::Key_Equal:
      return tkEqualPlus;
    case Qt::Key_Minus:
      return tkMinus;
    case Qt::Key_Backslash:
      return tkBackslash;
    case Qt::Key_Backspace:
      return tkBackspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:  // the keypad's
      return tkEnter;
    case Qt::Key_Space:
      return tkSpace;
    default:
      break;
  }
  if (qtKey == Qt::Key_Plus && keypad) return tkEqualPlus;  // the keypad's add, by the flag
  if (!keypad) {
    for (const TSymbolKey& symbol : kShiftedSymbols) {
      if (symbol.qtKey == qtKey) return symbol.key;
    }
    for (int i = 0; i < 26; ++i) {
      if (kRussianLetters[i] == qtKey) return LetterKey(i);
    }
  }
  return tkOther;
}

}  // namespace

TKeyStroke TerminalKeyStroke(int qtKey, Qt::KeyboardModifiers modifiers) {
  TKeyStroke stroke;
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  stroke.key = MainKey(qtKey, keypad);
  if (modifiers.testFlag(Qt::ShiftModifier)) stroke.modifiers |= tmShift;
  if (modifiers.testFlag(Qt::ControlModifier)) stroke.modifiers |= tmCtrl;
  if (modifiers.testFlag(Qt::AltModifier)) stroke.modifiers |= tmAlt;
  if (keypad) stroke.modifiers |= tmKeypad;
  return stroke;
}

}  // namespace karvelm
