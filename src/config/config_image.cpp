#include "config/config_image.h"

#include <array>

#include "config/config_fields.h"

namespace karvelm {

uint16_t SettingsWord(const TConfigImage& image, int index) {
  return GetWord(image.SettingsBlock.data(), index);
}
void SetSettingsWord(TConfigImage& image, int index, uint16_t value) {
  SetWord(image.SettingsBlock.data(), index, value);
}
uint16_t SetPointWord(const TConfigImage& image, int index) {
  return GetWord(image.SetPointBlock.data(), index);
}
void SetSetPointWord(TConfigImage& image, int index, uint16_t value) {
  SetWord(image.SetPointBlock.data(), index, value);
}

void ResetConfigImage(TConfigImage& image) {
  image.MemoryImage.fill(0xFF);
  image.PageSum.fill(0);
  image.PageCrc.fill(0);
  image.CommonBlock.fill(0);
  image.SettingsBlock.fill(0);
  image.SetPointBlock.fill(0);
  SetSettingsWord(image, RamSaveMode, 1);
  SetSettingsWord(image, IntReg140, kIntRegNotUsed);
  SetSettingsWord(image, IntReg200, kIntRegNotUsed);
  SetSettingsWord(image, IntReg240, kIntRegNotUsed);
}

void SealSettingsBlock(TConfigImage& image) {
  SetSettingsWord(image, SettingsFormat, kSettingsFormatValue);
  uint16_t sum = 0;
  for (int i = 0; i < SettingsChecksum; ++i)
    sum = static_cast<uint16_t>(sum + SettingsWord(image, i));
  SetSettingsWord(image, SettingsChecksum, sum);
}

uint16_t PageSum16(size_t length, const uint8_t* data) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2) {
    sum += static_cast<uint32_t>(data[i] | data[i + 1] << 8);
    if (sum > 0xFFFF) sum = (sum & 0xFFFF) + 1;
  }
  // An odd length never occurs (pages are 8192 bytes); its last byte counts as a low byte.
  if (length % 2 != 0) {
    sum += data[length - 1];
    if (sum > 0xFFFF) sum = (sum & 0xFFFF) + 1;
  }
  return static_cast<uint16_t>(sum);
}

namespace {

// Reflected polynomial 0xA001, one entry per low byte of crc ^ data.
constexpr std::array<uint16_t, 256> MakePageCrcTable() {
  std::array<uint16_t, 256> table{};
  for (int index = 0; index < 256; ++index) {
    uint16_t crc = static_cast<uint16_t>(index);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    table[index] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kPageCrcTable = MakePageCrcTable();

}  // namespace

uint16_t PageCrc16(size_t length, const uint8_t* data) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ kPageCrcTable[(crc ^ data[i]) & 0xFF];
  return crc;
}

void UpdatePageChecks(TConfigImage& image, int page) {
  image.PageSum[page] = PageSum16(kPageSize, image.Page(page));
  image.PageCrc[page] = PageCrc16(kPageSize, image.Page(page));
}

void UpdateAllPageChecks(TConfigImage& image) {
  for (int page = 0; page < kPageCount; ++page) UpdatePageChecks(image, page);
}

void ClearPageChecks(TConfigImage& image) {
  image.PageSum.fill(0);
  image.PageCrc.fill(0);
}

}  // namespace karvelm
