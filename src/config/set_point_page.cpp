#include "config/set_point_page.h"

#include "base/octal_text.h"

namespace karvelm {
namespace {

constexpr uint16_t kFirstSetPointAddress = 0173000;

constexpr const char* kEntryNames[kSetPointWords] = {
    "Edit1",  "Edit2",  "Edit3",  "Edit5",  "Edit6",  "Edit4",  "Edit7",  "Edit8",
    "Edit10", "Edit11", "Edit12", "Edit13", "Edit14", "Edit15", "Edit16", "Edit17",
};

bool ValidIndex(int index) {
  return index >= 0 && index < kSetPointWords;
}

}  // namespace

const char* SetPointEntryName(int index) {
  return ValidIndex(index) ? kEntryNames[index] : nullptr;
}

std::string SetPointAddressText(int index) {
  return WordToOctal(static_cast<uint16_t>(kFirstSetPointAddress + 2 * index));
}

std::string SetPointText(const TConfigImage& image, int index) {
  return WordToOctal(SetPointWord(image, index));
}

bool StoreSetPointText(TConfigImage& image, int index, std::string_view text) {
  const std::optional<uint16_t> value = TryOctalToWord(text);
  if (!value || !ValidIndex(index)) return false;
  SetSetPointWord(image, index, *value);
  return true;
}

}  // namespace karvelm
