// The simulated module's storage as its bootloader sees it: the common block and both
// stored configurations, addressed by storage address.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "config/config_image.h"

namespace karvelm {

class TSimStorage {
 public:
  // The storage spans the common block up to the end of configuration 2's pages.
  static constexpr uint32_t kBegin = kCommonBlockAddress;
  static constexpr uint32_t kEnd = kMemoryAreaEnd;

  // A fresh module: both configurations hold the initial image with its settings sealed,
  // the common block a fixed pattern (so that a read of it can be told from nothing).
  TSimStorage();

  // [address, address + length) lies inside the storage (length > 0).
  static bool Contains(uint32_t address, uint32_t length);
  // Inside the settings block, set-point block or pages of one configuration: what a
  // configuration write may change. The common block is not writable.
  static bool Writable(uint32_t address, uint32_t length);

  // The bytes at a storage address; Contains(address, length) must hold.
  std::span<uint8_t> Bytes(uint32_t address, uint32_t length);
  std::span<const uint8_t> Bytes(uint32_t address, uint32_t length) const;

  // A stored configuration to and from an image (tests, demos). Store leaves the image's
  // page checks alone; Load does not seal the settings.
  void Load(int configIndex, const TConfigImage& image);
  void Store(int configIndex, TConfigImage& image) const;

 private:
  std::vector<uint8_t> FBytes;
};

}  // namespace karvelm
