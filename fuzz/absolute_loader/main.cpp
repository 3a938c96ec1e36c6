// Arbitrary bytes as an absolute-loader page image file: ReadAbsoluteLoader directly and the
// auto reading of the memory page (absolute loader, then binary). The page is a heap buffer
// of exactly one page, so ASan sees any write outside it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "config/config_image.h"
#include "config/page_image_lda.h"
#include "config/page_image_load.h"

using namespace karvelm;

namespace {

// Hands out the file in pieces of a fixed size, as a file read may.
class TChunkedSource final : public TByteSource {
 public:
  TChunkedSource(const uint8_t* data, size_t size, size_t chunk)
      : FData(data), FSize(size), FChunk(chunk) {}
  size_t Get(uint8_t* out, size_t size) override {
    const size_t count = std::min({size, FChunk, FSize - FPosition});
    if (count) std::memcpy(out, FData + FPosition, count);
    FPosition += count;
    return count;
  }
  bool Rewind() {
    FPosition = 0;
    return true;
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FChunk;
  size_t FPosition = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t chunk = data[0] % 64 + 1;  // the first byte chooses the read size
  const std::vector<uint8_t> file(data + 1, data + size);

  std::vector<uint8_t> page(kPageSize, 0xFF);
  TMemorySource whole(file);
  const bool ok = ReadAbsoluteLoader(whole, page.data());

  // Reading in small pieces must give the same page and result.
  std::vector<uint8_t> again(kPageSize, 0xFF);
  TChunkedSource pieces(file.data(), file.size(), chunk);
  if (ReadAbsoluteLoader(pieces, again.data()) != ok || again != page) __builtin_trap();

  TChunkedSource source(file.data(), file.size(), chunk);
  const bool loaded = ReadPageImage(
      source, [&] { return source.Rewind(); }, page.data(), pfAuto);
  // auto falls back to the binary image, which takes any non-empty file.
  if (loaded != (ok || !file.empty())) __builtin_trap();
  return 0;
}
