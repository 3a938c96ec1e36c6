#include "diag/board_io.h"

#include "base/octal_text.h"
#include "diag/bus_access.h"

namespace karvelm {

namespace {

bool ValidTag(int tag) {
  return tag >= 0 && tag < kBoardOutputWords;
}

}  // namespace

bool ReadBoardRegisters(TDiagRecords& records) {
  const bool inputs = ReadBusWords(kBoardInputBase, kBoardInputWords, records.BoardInputs.data());
  const bool outputs =
      ReadBusWords(kBoardOutputBase, kBoardOutputWords, records.BoardOutputs.data());
  return inputs && outputs;
}

std::string BoardWordText(const TDiagRecords& records, const TBoardWordLabel& label) {
  const size_t word = static_cast<size_t>(label.word);
  return WordToBits(label.input ? records.BoardInputs.at(word) : records.BoardOutputs.at(word));
}

std::string TInOutPage::LabelText(int i) const {
  return BoardWordText(FRecords, kBoardWordLabels.at(static_cast<size_t>(i)));
}

bool TInOutPage::OutpChange(int tag, std::string_view text) {
  if (!ValidTag(tag)) return false;
  const std::optional<uint16_t> value = TryOctalToWord(text);
  if (!value) return false;
  temp_outp_data[static_cast<size_t>(tag)] = *value;
  return true;
}

bool TInOutPage::OutputClick(int tag, bool firmwareConnected) {
  if (!ValidTag(tag) || !firmwareConnected || !FirmwareAnswers()) return false;
  return WriteBusWord(static_cast<uint16_t>(kBoardOutputBase + 2 * tag),
                      temp_outp_data[static_cast<size_t>(tag)]);
}

uint16_t TInOutPage::AcceptedOutput(int tag) const {
  return ValidTag(tag) ? temp_outp_data[static_cast<size_t>(tag)] : 0;
}

}  // namespace karvelm
