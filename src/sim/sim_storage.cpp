#include "sim/sim_storage.h"

#include <algorithm>
#include <memory>

namespace karvelm {

TSimStorage::TSimStorage() : FBytes(kEnd - kBegin, 0) {
  auto blank = std::make_unique<TConfigImage>();
  ResetConfigImage(*blank);
  SealSettingsBlock(*blank);
  for (int c = 0; c < kConfigCount; ++c) Load(c, *blank);
  std::span<uint8_t> common = Bytes(kCommonBlockAddress, kCommonBlockSize);
  for (size_t i = 0; i < common.size(); ++i) common[i] = static_cast<uint8_t>(i * 7 + 0x31);
}

bool TSimStorage::Contains(uint32_t address, uint32_t length) {
  return length > 0 && address >= kBegin && address < kEnd && length <= kEnd - address;
}

bool TSimStorage::Writable(uint32_t address, uint32_t length) {
  auto inside = [&](uint32_t begin, size_t size) {
    return length > 0 && address >= begin && address - begin < size &&
           length <= size - (address - begin);
  };
  for (int c = 0; c < kConfigCount; ++c) {
    if (inside(kSettingsAddress[c], kSettingsBlockSize) ||
        inside(kSetPointAddress[c], kSetPointBlockSize) ||
        inside(kMemoryImageAddress[c], kMemoryImageSize))
      return true;
  }
  return false;
}

std::span<uint8_t> TSimStorage::Bytes(uint32_t address, uint32_t length) {
  return {FBytes.data() + (address - kBegin), length};
}

std::span<const uint8_t> TSimStorage::Bytes(uint32_t address, uint32_t length) const {
  return {FBytes.data() + (address - kBegin), length};
}

void TSimStorage::Load(int configIndex, const TConfigImage& image) {
  std::ranges::copy(image.SettingsBlock,
                    Bytes(kSettingsAddress[configIndex], kSettingsBlockSize).begin());
  std::ranges::copy(image.SetPointBlock,
                    Bytes(kSetPointAddress[configIndex], kSetPointBlockSize).begin());
  std::ranges::copy(image.MemoryImage,
                    Bytes(kMemoryImageAddress[configIndex], kMemoryImageSize).begin());
}

void TSimStorage::Store(int configIndex, TConfigImage& image) const {
  std::ranges::copy(Bytes(kCommonBlockAddress, kCommonBlockSize), image.CommonBlock.begin());
  std::ranges::copy(Bytes(kSettingsAddress[configIndex], kSettingsBlockSize),
                    image.SettingsBlock.begin());
  std::ranges::copy(Bytes(kSetPointAddress[configIndex], kSetPointBlockSize),
                    image.SetPointBlock.begin());
  std::ranges::copy(Bytes(kMemoryImageAddress[configIndex], kMemoryImageSize),
                    image.MemoryImage.begin());
}

}  // namespace karvelm
