// The service-mode debug page without its widgets: the board words bit by bit, and a click
// on an input label that writes the word back with one bit inverted.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "diag/diag_records.h"

namespace karvelm {

constexpr int kDebugInputLabelWidth = 132;  // 8 pixels per bit, 4 to spare on the right
constexpr int kDebugMainPageIndex = 6;

struct TDebugLabel {
  const char* name;
  uint16_t address;
  bool input;
  int word;  // BoardInputs or BoardOutputs; for an input label also its Tag
};

// The ten input labels in Tag order, then the four output labels.
inline constexpr std::array<TDebugLabel, 14> kDebugLabels = {{
    {"StaticText258", 0167602, true, 0},
    {"StaticText259", 0167604, true, 1},
    {"StaticText257", 0167606, true, 2},
    {"StaticText256", 0167610, true, 3},
    {"StaticText254", 0167612, true, 4},
    {"StaticText255", 0167614, true, 5},
    {"StaticText253", 0167616, true, 6},
    {"StaticText252", 0167620, true, 7},
    {"StaticText228", 0167622, true, 8},
    {"StaticText229", 0167624, true, 9},
    {"StaticText251", 0167630, false, 2},
    {"StaticText248", 0167632, false, 3},
    {"StaticText250", 0167634, false, 4},
    {"StaticText249", 0167636, false, 5},
}};

// ShowDebugRegisters: the text of label i of kDebugLabels.
std::string DebugLabelText(const TDiagRecords& records, int i);

// The bit under a click at x on a label of the width: cell x / (width / 16), bit 15 - cell;
// none right of the sixteenth cell.
std::optional<int> DebugClickBit(int x, int width);

// The word a click writes: word with the bit under x inverted, or unchanged when the click
// hit no bit.
uint16_t DebugClickWord(uint16_t word, int x, int width);

// DebugMouseDown on the input label with the tag: starts from the word of the last tick's
// read, inverts the bit under x and writes the word when the firmware answers. True when it
// was written. Any mouse button.
bool DebugMouseDown(const TDiagRecords& records, int tag, int x, int width, bool firmwareConnected);

// The data page of the debug view; it shares the board words with the input/output page.
class TDebugPage {
 public:
  explicit TDebugPage(TDiagRecords& records = DiagRecords()) : FRecords(records) {}

  bool Read();
  std::string LabelText(int i) const { return DebugLabelText(FRecords, i); }
  bool MouseDown(int tag, int x, int width, bool firmwareConnected) const {
    return DebugMouseDown(FRecords, tag, x, width, firmwareConnected);
  }

 private:
  TDiagRecords& FRecords;
};

}  // namespace karvelm
