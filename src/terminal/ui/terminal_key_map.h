// Qt's keys as the console keyboard's keys.
#pragma once

#include <Qt>

#include "terminal/terminal_keys.h"

namespace karvelm {

// The key and modifiers of a Qt key press. Keys are taken by where they sit, as the module's
// table means them: the shifted symbols of the digit and punctuation keys of a US keyboard and
// the letters of a Russian keyboard give the key that carries them, so Shift+1 is the digit 1
// and "Ф" is the A key. The keypad is told apart by Qt::KeypadModifier.
TKeyStroke TerminalKeyStroke(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace karvelm
