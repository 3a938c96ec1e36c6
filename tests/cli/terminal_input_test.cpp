// What the local terminal's keys send to the console keyboard.
#include <curses.h>
#include <gtest/gtest.h>

#include "cli/terminal_input.h"

namespace karvelm::cli {
namespace {

struct TInputCase {
  const char* name;
  bool isKeyCode;
  uint32_t value;
  uint8_t code;  // 0: nothing sent
};

TEST(TerminalInput, KeysOfTheLocalTerminalSendTheTablesCodes) {
  const TInputCase cases[] = {
      {"a", false, 'a', 0x41},
      {"Shift+A", false, 'A', 0x41},
      {"Ctrl+A", false, 0x01, 0x41},
      {"Ctrl+Z", false, 0x1A, 0x5A},
      {"7", false, '7', 0x37},
      {"keypad 7 (application mode)", true, KEY_A1, 0x37},
      {"keypad 5", true, KEY_B2, 0x35},
      {"keypad 3", true, KEY_C3, 0x33},
      {"/", false, '/', 0xAF},
      {"=", false, '=', 0x2B},
      {"+", false, '+', 0x2B},
      {"-", false, '-', 0x2D},
      {"\\", false, '\\', 0x8D},
      {"Enter (raw mode)", false, '\r', 0x0A},
      {"Enter", false, '\n', 0x0A},
      {"keypad Enter", true, KEY_ENTER, 0x0A},
      {"Backspace (DEL)", false, 0x7F, 0x7F},
      {"Backspace (^H)", false, 0x08, 0x7F},
      {"Backspace key", true, KEY_BACKSPACE, 0x7F},
      {"Tab", false, '\t', 0},
      {"Space", false, ' ', 0},
      {"Esc", false, 0x1B, 0},
      {".", false, '.', 0},
      {"F1", true, KEY_F(1), 0},
      {"F10", true, KEY_F(10), 0},
      {"Shift+F1", true, KEY_F(13), 0},
      {"Ctrl+F1", true, KEY_F(25), 0x12},
      {"Ctrl+F4", true, KEY_F(28), 0x3B},
      {"Ctrl+F10", true, KEY_F(34), 0x93},
      {"Ctrl+F11", true, KEY_F(35), 0},
      {"Ctrl+Shift+F1", true, KEY_F(37), 0},
      {"Alt+F1", true, KEY_F(49), 0},
      {"Up", true, KEY_UP, 0},
      {"Ф on the A key", false, U'Ф', 0x41},
      {"я on the Z key", false, U'я', 0x5A},
      {"Ж on the ; key", false, U'Ж', 0},
  };
  for (const TInputCase& c : cases)
    EXPECT_EQ(TerminalKeyCode(TerminalInputKey(c.isKeyCode, c.value)), c.code) << c.name;
}

}  // namespace
}  // namespace karvelm::cli
