// Helpers of the page tests: absolute-loader blocks, a scratch folder, the paper-tape fixtures.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace karvelm::testing {

using Bytes = std::vector<uint8_t>;

// One absolute-loader block: start byte, 0, byte count (header and data), load address,
// data, checksum making the 8-bit sum of the block 0.
inline Bytes LdaBlock(uint16_t address, const Bytes& data) {
  const size_t count = data.size() + 6;
  Bytes block{0x01,
              0x00,
              static_cast<uint8_t>(count),
              static_cast<uint8_t>(count >> 8),
              static_cast<uint8_t>(address),
              static_cast<uint8_t>(address >> 8)};
  block.insert(block.end(), data.begin(), data.end());
  uint8_t sum = 0;
  for (uint8_t b : block) sum = static_cast<uint8_t>(sum + b);
  block.push_back(static_cast<uint8_t>(-sum));
  return block;
}

inline Bytes LdaEnd(uint16_t start = 0x0001) {
  return LdaBlock(start, {});
}

// size bytes counting up from first, wrapping at 256.
inline Bytes Pattern(size_t size, uint8_t first = 0) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

inline std::string LdaFixture(const std::string& name) {
  return std::string(KARVELM_LDA_FIXTURES) + "/" + name;
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "karvelm-pages-XXXXXX").string();
    FPath = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(File(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }

 private:
  std::string FPath;
};

}  // namespace karvelm::testing
