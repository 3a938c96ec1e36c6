// The one configuration held in memory: the blocks of a stored configuration of the module
// and the checks of its ROM pages. Pages, transfers and files all work on this image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace karvelm {

constexpr size_t kCommonBlockSize = 512;
constexpr size_t kSettingsBlockSize = 512;
constexpr int kSettingsWords = 256;
constexpr size_t kSetPointBlockSize = 32;
constexpr int kSetPointWords = 16;
constexpr int kPageCount = 16;
constexpr size_t kPageSize = 8192;
constexpr size_t kMemoryImageSize = kPageCount * kPageSize;  // 131072
constexpr int kConfigCount = 2;                              // configuration index 0 and 1

// Addresses of the blocks in the module's storage, as the configuration file names them.
constexpr uint32_t kCommonBlockAddress = 0x3F600;
constexpr uint32_t kSettingsAddress[kConfigCount] = {0x3F800, 0x3FC00};
constexpr uint32_t kSetPointAddress[kConfigCount] = {0x3FA00, 0x3FE00};
constexpr uint32_t kMemoryImageAddress[kConfigCount] = {0x40000, 0x60000};
constexpr uint32_t kMemoryAreaEnd = 0x80000;  // end of configuration 2's pages

constexpr uint32_t PageAddress(int configIndex, int page) {
  return kMemoryImageAddress[configIndex] + static_cast<uint32_t>(page) * kPageSize;
}

struct TConfigImage {
  std::array<uint8_t, kCommonBlockSize> CommonBlock{};
  std::array<uint8_t, kSettingsBlockSize> SettingsBlock{};
  std::array<uint8_t, kSetPointBlockSize> SetPointBlock{};
  std::array<uint8_t, kMemoryImageSize> MemoryImage{};
  std::array<uint16_t, kPageCount> PageSum{};
  std::array<uint16_t, kPageCount> PageCrc{};

  uint8_t* Page(int page) { return MemoryImage.data() + page * kPageSize; }
  const uint8_t* Page(int page) const { return MemoryImage.data() + page * kPageSize; }
};

// Little-endian words of a block, by word index.
inline uint16_t GetWord(const uint8_t* block, int index) {
  return static_cast<uint16_t>(block[2 * index] | block[2 * index + 1] << 8);
}
inline void SetWord(uint8_t* block, int index, uint16_t value) {
  block[2 * index] = static_cast<uint8_t>(value);
  block[2 * index + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t SettingsWord(const TConfigImage& image, int index);
void SetSettingsWord(TConfigImage& image, int index, uint16_t value);
uint16_t SetPointWord(const TConfigImage& image, int index);
void SetSetPointWord(TConfigImage& image, int index, uint16_t value);

// The initial state: pages erased (0xFF), everything else 0, then the automatic RAM save
// and no interrupt input registers.
void ResetConfigImage(TConfigImage& image);

// Marks the settings block with its format and recomputes its checksum; done every time the
// block leaves the program (file or module). The checksum is never verified on reading.
void SealSettingsBlock(TConfigImage& image);

// Sum of little-endian words with end-around carry.
uint16_t PageSum16(size_t length, const uint8_t* data);
// CRC-16/MODBUS.
uint16_t PageCrc16(size_t length, const uint8_t* data);
// Refreshes PageSum and PageCrc of one page from its content.
void UpdatePageChecks(TConfigImage& image, int page);
void UpdateAllPageChecks(TConfigImage& image);
void ClearPageChecks(TConfigImage& image);

}  // namespace karvelm
