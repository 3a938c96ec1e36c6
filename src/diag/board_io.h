// The input/output boards view without its widgets: the sixteen board words and their
// labels, the six output entries and their writes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "diag/diag_records.h"

namespace karvelm {

constexpr const char* kInputBitHeading = "6543210987654321";
constexpr const char* kOutputBitHeadingLeft = "2109876543210987";
constexpr const char* kOutputBitHeadingRight = "6543210987654321";
constexpr const char* kOutputInitialText = "0";

// One word label of the page. Inputs are BoardInputs[word], outputs BoardOutputs[word].
struct TBoardWordLabel {
  const char* name;
  uint16_t address;
  bool input;
  int word;
};

// Row by row, right (lower address) column first, as the page lays them out.
inline constexpr std::array<TBoardWordLabel, kBoardInputWords + kBoardOutputWords>
    kBoardWordLabels = {{
        {"StaticText9", 0167602, true, 0},
        {"StaticText83", 0167604, true, 1},
        {"StaticText86", 0167606, true, 2},
        {"StaticText87", 0167610, true, 3},
        {"StaticText89", 0167612, true, 4},
        {"StaticText88", 0167614, true, 5},
        {"StaticText94", 0167616, true, 6},
        {"StaticText95", 0167620, true, 7},
        {"StaticText97", 0167622, true, 8},
        {"StaticText96", 0167624, true, 9},
        {"StaticText227", 0167624, false, 0},
        {"StaticText226", 0167626, false, 1},
        {"StaticText104", 0167630, false, 2},
        {"StaticText105", 0167632, false, 3},
        {"StaticText108", 0167634, false, 4},
        {"StaticText109", 0167636, false, 5},
    }};

// The output entries; Tag is the output word index.
struct TOutputEntry {
  int tag;
  const char* edit;
  const char* button;
};
inline constexpr std::array<TOutputEntry, kBoardOutputWords> kOutputEntries = {{
    {0, "Edit30", "SpeedButton31"},
    {1, "Edit31", "SpeedButton32"},
    {2, "Edit18", "SpeedButton3"},
    {3, "Edit19", "SpeedButton4"},
    {4, "Edit20", "SpeedButton6"},
    {5, "Edit21", "SpeedButton5"},
}};

// ReadBoardRegisters: the ten input words, then the six output words. True when both reads
// succeeded; a failed read leaves its words as they were.
bool ReadBoardRegisters(TDiagRecords& records);

// The 16-character text of a label.
std::string BoardWordText(const TDiagRecords& records, const TBoardWordLabel& label);

// The data page of the input/output sub-page (and the reads of the debug page).
class TInOutPage {
 public:
  explicit TInOutPage(TDiagRecords& records = DiagRecords()) : FRecords(records) {}

  bool Read() { return ReadBoardRegisters(FRecords); }
  // ShowInOutRegisters: the text of label i of kBoardWordLabels.
  std::string LabelText(int i) const;

  // OutpChange: the entry's text in octal. True: accepted (normal colour); false: red, the
  // value accepted before stays.
  bool OutpChange(int tag, std::string_view text);
  // OutputClick: writes the last accepted value of the entry when the firmware answers; true
  // when it was written.
  bool OutputClick(int tag, bool firmwareConnected);
  uint16_t AcceptedOutput(int tag) const;

  TDiagRecords& Records() { return FRecords; }

 private:
  TDiagRecords& FRecords;
  std::array<uint16_t, kBoardOutputWords> temp_outp_data{};
};

}  // namespace karvelm
