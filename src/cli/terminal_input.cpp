#include "cli/terminal_input.h"

#include <curses.h>

#include <iterator>
#include <string_view>

namespace karvelm::cli {

namespace {

// Terminals report F1..F12 with modifiers as further function keys, twelve per combination.
constexpr unsigned kFunctionKeyGroups[] = {
    tmNone, tmShift, tmCtrl, tmCtrl | tmShift, tmAlt, tmAlt | tmShift,
};
constexpr int kFunctionKeysPerGroup = 12;

// The Russian layout's letters on the Latin letter keys, in the order QWERTY..., ASDF...,
// ZXCV...
constexpr std::u32string_view kRussianLetters = U"ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ";
constexpr std::u32string_view kRussianLettersLower = U"йцукенгшщзфывапролдячсмить";
constexpr std::string_view kLatinKeys = "QWERTYUIOPASDFGHJKLZXCVBNM";

TKeyStroke FromKeyCode(uint32_t code) {
  const uint32_t first = KEY_F(1);
  const uint32_t groups = std::size(kFunctionKeyGroups);
  if (code >= first && code < first + groups * kFunctionKeysPerGroup) {
    const uint32_t index = code - first;
    const int n = static_cast<int>(index % kFunctionKeysPerGroup) + 1;
    const unsigned modifiers = kFunctionKeyGroups[index / kFunctionKeysPerGroup];
    if (n > 10) return {tkOther, modifiers};
    return {FunctionKey(n), modifiers};
  }
  switch (code) {
    case KEY_BACKSPACE:
      return {tkBackspace, tmNone};
    case KEY_ENTER:
      return {tkEnter, tmKeypad};
    // The keypad keys a terminal reports apart from the main keyboard (application mode).
    case KEY_A1:
      return {tkPad7, tmKeypad};
    case KEY_A3:
      return {tkPad9, tmKeypad};
    case KEY_B2:
      return {tkPad5, tmKeypad};
    case KEY_C1:
      return {tkPad1, tmKeypad};
    case KEY_C3:
      return {tkPad3, tmKeypad};
    default:
      return {tkOther, tmNone};
  }
}

TKeyStroke FromChar(uint32_t c) {
  switch (c) {
    case '\r':
    case '\n':
      return {tkEnter, tmNone};
    case 0x08:
    case 0x7F:
      return {tkBackspace, tmNone};
    case '\t':
      return {tkOther, tmNone};
    case ' ':
      return {tkSpace, tmNone};
    case '/':
      return {tkSlash, tmNone};
    case '=':
      return {tkEqualPlus, tmNone};
    case '+':
      return {tkEqualPlus, tmShift};
    case '-':
      return {tkMinus, tmNone};
    case '\\':
      return {tkBackslash, tmNone};
    default:
      break;
  }
  if (c >= 'a' && c <= 'z') return {LetterKey(static_cast<int>(c - 'a')), tmNone};
  if (c >= 'A' && c <= 'Z') return {LetterKey(static_cast<int>(c - 'A')), tmShift};
  if (c >= '0' && c <= '9') return {DigitKey(static_cast<int>(c - '0')), tmNone};
  if (c >= 0x01 && c <= 0x1A) return {LetterKey(static_cast<int>(c - 1)), tmCtrl};
  if (size_t i = kRussianLetters.find(static_cast<char32_t>(c)); i != std::u32string_view::npos)
    return {LetterKey(kLatinKeys[i] - 'A'), tmShift};
  if (size_t i = kRussianLettersLower.find(static_cast<char32_t>(c));
      i != std::u32string_view::npos)
    return {LetterKey(kLatinKeys[i] - 'A'), tmNone};
  return {tkOther, tmNone};
}

}  // namespace

TKeyStroke TerminalInputKey(bool isKeyCode, uint32_t value) {
  return isKeyCode ? FromKeyCode(value) : FromChar(value);
}

}  // namespace karvelm::cli
