#include "diag/debug_view.h"

#include "base/octal_text.h"
#include "diag/board_io.h"
#include "diag/bus_access.h"

namespace karvelm {

namespace {

constexpr int kBits = 16;

}  // namespace

std::string DebugLabelText(const TDiagRecords& records, int i) {
  const TDebugLabel& label = kDebugLabels.at(static_cast<size_t>(i));
  const size_t word = static_cast<size_t>(label.word);
  return WordToBits(label.input ? records.BoardInputs.at(word) : records.BoardOutputs.at(word));
}

std::optional<int> DebugClickBit(int x, int width) {
  const int cellWidth = width / kBits;
  if (x < 0 || cellWidth <= 0) return std::nullopt;
  const int cell = x / cellWidth;
  if (cell >= kBits) return std::nullopt;
  return kBits - 1 - cell;
}

uint16_t DebugClickWord(uint16_t word, int x, int width) {
  const std::optional<int> bit = DebugClickBit(x, width);
  if (!bit) return word;
  return static_cast<uint16_t>(word ^ (1u << *bit));
}

bool DebugMouseDown(const TDiagRecords& records, int tag, int x, int width,
                    bool firmwareConnected) {
  if (!firmwareConnected || tag < 0 || tag >= kBoardInputWords) return false;
  const uint16_t word = DebugClickWord(records.BoardInputs[static_cast<size_t>(tag)], x, width);
  if (!FirmwareAnswers()) return false;
  return WriteBusWord(static_cast<uint16_t>(kBoardInputBase + 2 * tag), word);
}

bool TDebugPage::Read() {
  return ReadBoardRegisters(FRecords);
}

}  // namespace karvelm
