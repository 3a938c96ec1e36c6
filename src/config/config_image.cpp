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
  // Folding the carries once at the end gives the same value as an end-around carry after
  // every word (both are the ones'-complement sum, and neither turns a non-zero sum into 0),
  // and lets the loop run without a branch.
  uint64_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2)
    sum += static_cast<uint32_t>(data[i] | data[i + 1] << 8);
  // An odd length never occurs (pages are 8192 bytes); its last byte counts as a low byte.
  if (length % 2 != 0) sum += data[length - 1];
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(sum);
}

namespace {

// Reflected polynomial 0xA001. Table 0 holds one step per low byte of crc ^ data; table k
// moves an entry of table 0 through k further zero bytes, so that eight bytes take eight
// independent lookups instead of a chain of eight.
using TPageCrcTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr TPageCrcTables MakePageCrcTables() {
  TPageCrcTables tables{};
  for (int index = 0; index < 256; ++index) {
    uint16_t crc = static_cast<uint16_t>(index);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    tables[0][index] = crc;
  }
  for (size_t k = 1; k < tables.size(); ++k)
    for (int index = 0; index < 256; ++index) {
      const uint16_t previous = tables[k - 1][index];
      tables[k][index] = static_cast<uint16_t>(previous >> 8 ^ tables[0][previous & 0xFF]);
    }
  return tables;
}

constexpr TPageCrcTables kPageCrcTables = MakePageCrcTables();

}  // namespace

uint16_t PageCrc16(size_t length, const uint8_t* data) {
  const auto& t = kPageCrcTables;
  uint16_t crc = 0xFFFF;
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    const uint8_t* b = data + i;
    crc = static_cast<uint16_t>(t[7][(crc ^ b[0]) & 0xFF] ^ t[6][(crc >> 8 ^ b[1]) & 0xFF] ^
                                t[5][b[2]] ^ t[4][b[3]] ^ t[3][b[4]] ^ t[2][b[5]] ^ t[1][b[6]] ^
                                t[0][b[7]]);
  }
  for (; i < length; ++i) crc = static_cast<uint16_t>(crc >> 8 ^ t[0][(crc ^ data[i]) & 0xFF]);
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
