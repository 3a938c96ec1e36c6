// The console screen page without its widgets: the screen memory read from the module and
// the lines the page shows from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace karvelm {

constexpr int kTerminalColumns = 32;
constexpr int kTerminalLines = 16;
constexpr int kTerminalScreenSize = kTerminalColumns * kTerminalLines;  // 512 bytes
constexpr uint16_t kTerminalScreenAddress = 0xE200;                     // 161000 octal
constexpr uint16_t kTerminalModeAddress = 0xE1FE;                       // 160776 octal
constexpr uint16_t kTerminalEightLines = 0x0002;  // mode word bit: only 8 lines are shown
// The screen is read in this many blocks of kTerminalBlockWords words, then the mode word.
constexpr int kTerminalBlockWords = 32;
constexpr int kTerminalBlocks = kTerminalScreenSize / (2 * kTerminalBlockWords);

// Drawn in place of a line feed or carriage return on the screen, so that a line keeps
// its 32 cells.
constexpr char16_t kTerminalLineFeedMark = u'\u240A';
constexpr char16_t kTerminalReturnMark = u'\u240D';

// Line 0 while the module firmware is not connected.
constexpr std::u16string_view kTerminalNotConnected = u"Модуль KarvelM не подключен";

// What one screen refresh got; a part that failed was left as it was.
struct TTerminalRead {
  std::array<bool, kTerminalBlocks> blocks{};  // block k: screen bytes 64·k .. 64·k + 63
  bool mode = false;                           // the mode word
  bool Complete() const;
};

// The 16 lines of the page: lines [0, lineCount) from the screen, the rest empty; with the
// module not connected, line 0 is the not-connected text.
struct TTerminalView {
  std::array<std::u16string, kTerminalLines> lines;
  int lineCount = kTerminalLines;
  uint16_t mode = 0;  // BOSI_RS as read
  bool connected = false;
  // UTF-8 forms of the lines, for text output.
  std::array<std::string, kTerminalLines> Utf8Lines() const;
};

class TTerminalScreen {
 public:
  // Byte k is the byte at bus address 161000 + k (octal): each word low byte first.
  std::array<uint8_t, kTerminalScreenSize> terminal_screen{};
  // The mode word at 160776 (octal).
  uint16_t BOSI_RS = 0;

  // The eight screen blocks, then the mode word: nine cmdReadBus exchanges over ActiveLink,
  // each with the default timeout. The caller has checked the module.
  TTerminalRead ReadTerminalScreen();

  // 8 when bit 1 of BOSI_RS is set, else 16.
  int LineCount() const;
  // One screen line of exactly 32 characters.
  std::u16string Line(int index) const;
  // The page's lines; connected is the firmware's state as the supervision last found it.
  TTerminalView RenderTerminal(bool connected) const;
};

}  // namespace karvelm
