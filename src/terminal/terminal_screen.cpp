#include "terminal/terminal_screen.h"

#include <algorithm>

#include "link/module_commands.h"
#include "terminal/terminal_charset.h"

namespace karvelm {

bool TTerminalRead::Complete() const {
  return mode && std::all_of(blocks.begin(), blocks.end(), [](bool ok) { return ok; });
}

std::array<std::string, kTerminalLines> TTerminalView::Utf8Lines() const {
  std::array<std::string, kTerminalLines> out;
  for (int i = 0; i < kTerminalLines; ++i) out[i] = TerminalUtf8(lines[i]);
  return out;
}

TTerminalRead TTerminalScreen::ReadTerminalScreen() {
  TTerminalRead result;
  constexpr int blockBytes = 2 * kTerminalBlockWords;
  for (int k = 0; k < kTerminalBlocks; ++k) {
    uint8_t* block = terminal_screen.data() + blockBytes * k;
    // Seeded from the screen: a read that fails, or a short packet, keeps the old bytes.
    uint16_t words[kTerminalBlockWords];
    for (int i = 0; i < kTerminalBlockWords; ++i)
      words[i] = static_cast<uint16_t>(block[2 * i] | block[2 * i + 1] << 8);
    const uint16_t address = static_cast<uint16_t>(kTerminalScreenAddress + blockBytes * k);
    result.blocks[k] = ReadBusWords(address, kTerminalBlockWords, words, kTimeoutDefault);
    if (!result.blocks[k]) continue;
    for (int i = 0; i < kTerminalBlockWords; ++i) {
      block[2 * i] = static_cast<uint8_t>(words[i]);
      block[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
  }
  result.mode = ReadBusWords(kTerminalModeAddress, 1, &BOSI_RS, kTimeoutDefault);
  return result;
}

int TTerminalScreen::LineCount() const {
  return (BOSI_RS & kTerminalEightLines) ? kTerminalLines / 2 : kTerminalLines;
}

std::u16string TTerminalScreen::Line(int index) const {
  std::u16string line(kTerminalColumns, u' ');
  if (index < 0 || index >= kTerminalLines) return line;
  for (int i = 0; i < kTerminalColumns; ++i) {
    char16_t c = TerminalChar(terminal_screen[kTerminalColumns * index + i]);
    if (c == u'\n') c = kTerminalLineFeedMark;
    if (c == u'\r') c = kTerminalReturnMark;
    line[i] = c;
  }
  return line;
}

TTerminalView TTerminalScreen::RenderTerminal(bool connected) const {
  TTerminalView view;
  view.mode = BOSI_RS;
  view.connected = connected;
  view.lineCount = LineCount();
  if (!connected) {
    view.lines[0] = kTerminalNotConnected;
    return view;
  }
  for (int i = 0; i < view.lineCount; ++i) view.lines[i] = Line(i);
  return view;
}

}  // namespace karvelm
