#include "config/device_params.h"

#include "config/koi7.h"

namespace karvelm {
namespace {

uint8_t UpperCaseCp1251(uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 0x20);
  if (c >= 0xE0) return static_cast<uint8_t>(c - 0x20);  // а..я
  switch (c) {
    case 0xB8:  // ё
      return 0xA8;
    case 0x90:  // ђ
      return 0x80;
    case 0x83:  // ѓ
      return 0x81;
    case 0x9A:  // љ
      return 0x8A;
    case 0x9C:  // њ
      return 0x8C;
    case 0x9D:  // ќ
      return 0x8D;
    case 0x9E:  // ћ
      return 0x8E;
    case 0x9F:  // џ
      return 0x8F;
    case 0xA2:  // ў
      return 0xA1;
    case 0xBC:  // ј
      return 0xA3;
    case 0xB4:  // ґ
      return 0xA5;
    case 0xBA:  // є
      return 0xAA;
    case 0xBF:  // ї
      return 0xAF;
    case 0xB3:  // і
      return 0xB2;
    case 0xBE:  // ѕ
      return 0xBD;
    default:
      return c;
  }
}

}  // namespace

const std::vector<const TConfigField*>& DeviceParamLists() {
  // Every list field except the memory layout, which belongs to the memory page.
  static const std::vector<const TConfigField*> lists = [] {
    std::vector<const TConfigField*> found;
    for (const TConfigField& field : ConfigFields()) {
      if (field.kind == fkList && field.word != MemLayout) found.push_back(&field);
    }
    return found;
  }();
  return lists;
}

std::optional<int> ListSelection(const TConfigImage& image, const TConfigField& field) {
  const uint16_t value = SettingsWord(image, field.word);
  if (value >= field.items.size()) return std::nullopt;
  return value;
}

void StoreListItem(TConfigImage& image, const TConfigField& field, int itemIndex) {
  if (itemIndex < 0 || static_cast<size_t>(itemIndex) >= field.items.size()) return;
  SetSettingsWord(image, field.word, static_cast<uint16_t>(itemIndex));
}

std::string ConfigNameText(const TConfigImage& image) {
  return Cp1251ToUtf8(GetConfigName(image));
}

std::string UpperCaseCp1251(std::string_view cp1251) {
  std::string upper(cp1251);
  for (char& c : upper) c = static_cast<char>(UpperCaseCp1251(static_cast<uint8_t>(c)));
  return upper;
}

bool StoreConfigName(TConfigImage& image, std::string_view utf8Text) {
  const std::string name = UpperCaseCp1251(Utf8ToCp1251(std::string(utf8Text)));
  if (name.size() > static_cast<size_t>(kConfigNameEntryMaxLength)) return false;
  SetConfigName(image, name);
  return true;
}

}  // namespace karvelm
