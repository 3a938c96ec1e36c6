#include "config/config_diff.h"

#include "base/octal_text.h"
#include "config/device_params.h"
#include "config/koi7.h"
#include "config/set_point_page.h"

namespace karvelm {

namespace {

// The bytes the name may occupy, its 0 byte included; compared as the decoded name, so bytes
// left behind a shorter name do not count as a difference.
constexpr int kNameFirstWord = ConfigNameOffset / 2;
constexpr int kNameLastWord = (ConfigNameOffset + kConfigNameMaxLength) / 2;

bool IsFieldWord(int word) {
  for (const TConfigField& field : ConfigFields())
    if (field.word == word) return true;
  return false;
}

// The checksum the block would get on its way out (SealSettingsBlock).
uint16_t ComputedChecksum(const TConfigImage& image) {
  uint16_t sum = 0;
  for (int i = 0; i < SettingsChecksum; ++i)
    sum = static_cast<uint16_t>(sum + SettingsWord(image, i));
  return sum;
}

TPageDiff DiffPage(const uint8_t* a, const uint8_t* b) {
  TPageDiff diff;
  for (size_t i = 0; i < kPageSize; ++i) {
    if (a[i] == b[i]) continue;
    if (diff.firstOffsets.size() < kDiffOffsetsShown)
      diff.firstOffsets.push_back(static_cast<uint32_t>(i));
    ++diff.bytes;
  }
  return diff;
}

// What the page shows for a value: the list item or the input register.
std::string ShownValue(const TConfigField& field, uint16_t value) {
  switch (field.kind) {
    case fkList:
      if (auto item = FieldItemText(field, value)) return *item;
      return std::to_string(value) + " (нет такого пункта)";
    case fkIntReg:
      if (value == kIntRegNotUsed) return "не используется";
      if (uint16_t address = IntRegBusAddress(value)) return WordToOctal(address);
      return std::to_string(value) + " (нет такого регистра)";
    case fkNumber:
      break;
  }
  return std::to_string(value);
}

std::string FieldCaption(const TConfigField& field) {
  return *field.label ? field.label : field.name;
}

}  // namespace

const TConfigField& MemLayoutField() {
  for (const TConfigField& field : ConfigFields())
    if (field.word == MemLayout) return field;
  return ConfigFields().front();  // the table begins with it
}

size_t TConfigDiff::DifferingPages() const {
  size_t count = 0;
  for (const TPageDiff& page : pages) count += page.Differs() ? 1 : 0;
  return count;
}

size_t TConfigDiff::RowCount() const {
  return fields.size() + otherWords.size() + (nameDiffers ? 1 : 0) + (layoutDiffers ? 1 : 0) +
         setPoints.size() + DifferingPages();
}

TConfigDiff DiffConfigImages(const TConfigImage& a, const TConfigImage& b) {
  TConfigDiff diff;
  for (const TConfigField& field : ConfigFields()) {
    const uint16_t valueA = SettingsWord(a, field.word);
    const uint16_t valueB = SettingsWord(b, field.word);
    if (field.word == MemLayout) {
      diff.layoutA = valueA;
      diff.layoutB = valueB;
      diff.layoutDiffers = valueA != valueB;
      continue;
    }
    if (field.word == SettingsChecksum || valueA == valueB) continue;
    diff.fields.push_back({&field, valueA, valueB});
  }
  for (int word = 0; word < SettingsChecksum; ++word) {
    if (IsFieldWord(word) || (word >= kNameFirstWord && word <= kNameLastWord)) continue;
    const uint16_t valueA = SettingsWord(a, word);
    const uint16_t valueB = SettingsWord(b, word);
    if (valueA != valueB) diff.otherWords.push_back({word, valueA, valueB});
  }
  const std::string nameA = GetConfigName(a);
  const std::string nameB = GetConfigName(b);
  diff.nameDiffers = nameA != nameB;
  diff.nameA = Cp1251ToUtf8(nameA);
  diff.nameB = Cp1251ToUtf8(nameB);

  // Two checksums that each match their block differ because the blocks do: that row would say
  // nothing new. One that matches no block (a damaged or foreign file) is worth its row.
  const uint16_t sumA = SettingsWord(a, SettingsChecksum);
  const uint16_t sumB = SettingsWord(b, SettingsChecksum);
  if (sumA != sumB && (sumA != ComputedChecksum(a) || sumB != ComputedChecksum(b))) {
    for (const TConfigField& field : ConfigFields())
      if (field.word == SettingsChecksum) diff.fields.push_back({&field, sumA, sumB});
  }

  for (int i = 0; i < kSetPointWords; ++i) {
    const uint16_t valueA = SetPointWord(a, i);
    const uint16_t valueB = SetPointWord(b, i);
    if (valueA != valueB) diff.setPoints.push_back({i, valueA, valueB});
  }
  for (int page = 0; page < kPageCount; ++page)
    diff.pages[page] = DiffPage(a.Page(page), b.Page(page));
  return diff;
}

std::vector<TDiffTableRow> DiffTableRows(const TConfigDiff& diff) {
  std::vector<TDiffTableRow> rows;
  if (diff.layoutDiffers) {
    const TConfigField& layout = MemLayoutField();
    rows.push_back(
        {FieldCaption(layout), ShownValue(layout, diff.layoutA), ShownValue(layout, diff.layoutB)});
  }
  for (const TFieldDiff& field : diff.fields)
    rows.push_back({FieldCaption(*field.field), ShownValue(*field.field, field.a),
                    ShownValue(*field.field, field.b)});
  for (const TWordDiff& word : diff.otherWords)
    rows.push_back({"Слово настроек " + std::to_string(word.index), std::to_string(word.a),
                    std::to_string(word.b)});
  if (diff.nameDiffers)
    rows.push_back({kConfigNameLabel, "\"" + diff.nameA + "\"", "\"" + diff.nameB + "\""});
  for (const TWordDiff& point : diff.setPoints)
    rows.push_back({"Уставка " + SetPointAddressText(point.index), WordToOctal(point.a),
                    WordToOctal(point.b)});
  for (int page = 0; page < kPageCount; ++page) {
    const TPageDiff& bytes = diff.pages[page];
    if (!bytes.Differs()) continue;
    std::string text =
        "различающихся байт: " + std::to_string(bytes.bytes) + "; первые смещения (8-ричные): ";
    for (size_t i = 0; i < bytes.firstOffsets.size(); ++i)
      text += (i ? ", " : "") + WordToOctal(static_cast<uint16_t>(bytes.firstOffsets[i]));
    if (bytes.bytes > bytes.firstOffsets.size()) text += ", …";
    rows.push_back({"Страница " + std::to_string(page), text, "", true});
  }
  return rows;
}

}  // namespace karvelm
