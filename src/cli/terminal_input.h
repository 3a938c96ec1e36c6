// Keys of the local terminal, as curses reports them, mapped onto the console keyboard.
#pragma once

#include <cstdint>

#include "terminal/terminal_keys.h"

namespace karvelm::cli {

// Ctrl-] ends the terminal session; it never reaches the module.
constexpr uint32_t kTerminalQuitChar = 0x1D;

// One result of wget_wch: a KEY_* code when isKeyCode (KEY_CODE_YES), else a character.
// tkOther when the console keyboard has no such key. Function keys carry the modifiers the
// terminal reported with them (xterm's Shift/Ctrl/Alt ranges beyond F12); a control
// character is its letter with Ctrl; a Cyrillic letter is the key it sits on in the
// standard Russian layout, as the desktop program sees it.
TKeyStroke TerminalInputKey(bool isKeyCode, uint32_t value);

}  // namespace karvelm::cli
