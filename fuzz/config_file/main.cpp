// Configuration files from outside: arbitrary bytes through the record reader (which covers
// the run-length decoder and ApplyRecords). The first byte picks how the rest is used:
//   0: the bytes are the file as they are (real files, the seeds);
//   1: the bytes are frame bodies, each given its correct length and CRC, so that the decoder
//      and the record interpreter see more than CRC failures;
//   2: the bytes are block content, written as records and read back: the round trip must
//      give them back exactly.
// Nothing outside the blocks may change: PageSum and PageCrc sit right after the memory image
// in the same object, where ASan cannot see an overrun, so they hold a sentinel and are checked.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "config/byte_stream.h"
#include "config/config_image.h"
#include "config/config_reader.h"
#include "config/config_records.h"
#include "config/frame_crc.h"

using namespace karvelm;

namespace {

constexpr uint16_t kSentinel = 0xA5C3;

TConfigImage& FreshImage() {
  static std::unique_ptr<TConfigImage> image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  image->PageSum.fill(kSentinel);
  image->PageCrc.fill(kSentinel);
  return *image;
}

void CheckSentinels(const TConfigImage& image) {
  for (int page = 0; page < kPageCount; ++page)
    if (image.PageSum[page] != kSentinel || image.PageCrc[page] != kSentinel) std::abort();
}

void ReadBytes(const std::vector<uint8_t>& bytes) {
  TConfigImage& image = FreshImage();
  TMemorySource source(bytes);
  ReadConfigRecords(source, image);
  CheckSentinels(image);
}

// Pieces: a 16-bit body length (taken modulo a little more than the reader's limit, so that
// both sides of it are reached), then that many body bytes.
std::vector<uint8_t> Frames(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i + 2 <= size) {
    size_t n = static_cast<size_t>(data[i] << 8 | data[i + 1]) % (kMaxFrameLength + 8);
    i += 2;
    n = std::min(n, size - i);
    const uint16_t length = static_cast<uint16_t>(n + 2);
    const uint16_t crc = FrameCrc(data + i, n);
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
    out.insert(out.end(), data + i, data + i + n);
    out.push_back(static_cast<uint8_t>(crc >> 8));
    out.push_back(static_cast<uint8_t>(crc));
    i += n;
  }
  return out;
}

void RoundTrip(const uint8_t* data, size_t size) {
  size = std::min(size, kPageSize);
  TMemorySink sink;
  if (!WriteBlock(kMemoryImageAddress[1] + kPageSize, size, data, sink)) std::abort();
  TConfigImage& image = FreshImage();
  TMemorySource source(sink.bytes);
  if (ReadConfigRecords(source, image) != crOk) std::abort();
  if (!std::equal(data, data + size, image.Page(1))) std::abort();
  CheckSentinels(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // An exact-size copy, so that ASan sees any read past the input.
  const std::vector<uint8_t> rest(data + 1, data + size);
  switch (data[0] % 3) {
    case 0:
      ReadBytes(rest);
      break;
    case 1:
      ReadBytes(Frames(rest.data(), rest.size()));
      break;
    default:
      RoundTrip(rest.data(), rest.size());
      break;
  }
  return 0;
}
