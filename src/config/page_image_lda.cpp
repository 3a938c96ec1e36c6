#include "config/page_image_lda.h"

#include "config/config_image.h"

namespace karvelm {
namespace {

constexpr uint8_t kBlockStart = 0x01;
constexpr size_t kHeaderSize = 6;  // start byte, second byte, count, address

// Reads byte by byte from a small buffer: the tapes are scanned for their start bytes.
class TBufferedReader {
 public:
  explicit TBufferedReader(TByteSource& source) : FSource(source) {}

  bool Next(uint8_t& byte) {
    if (FPosition == FFilled) {
      FFilled = FSource.Get(FBuffer, sizeof FBuffer);
      FPosition = 0;
      if (FFilled == 0) return false;
    }
    byte = FBuffer[FPosition++];
    return true;
  }

 private:
  TByteSource& FSource;
  uint8_t FBuffer[512];
  size_t FPosition = 0;
  size_t FFilled = 0;
};

}  // namespace

bool ReadAbsoluteLoader(TByteSource& file, uint8_t* page) {
  TBufferedReader reader(file);
  size_t offset = 0;
  for (;;) {
    uint8_t byte = 0;
    do {
      if (!reader.Next(byte)) return false;
    } while (byte != kBlockStart);

    uint8_t header[kHeaderSize - 1];
    uint8_t sum = kBlockStart;
    for (uint8_t& b : header) {
      if (!reader.Next(b)) return false;
      sum = static_cast<uint8_t>(sum + b);
    }
    const size_t count = static_cast<size_t>(header[2]) << 8 | header[1];
    if (count == kHeaderSize) return true;
    if (count < kHeaderSize) return false;

    const size_t length = count - kHeaderSize;
    // A page holds 8 KB; a tape for more than that is refused rather than cut.
    if (length > kPageSize - offset) return false;
    for (size_t i = 0; i < length; ++i) {
      if (!reader.Next(byte)) return false;
      page[offset + i] = byte;
      sum = static_cast<uint8_t>(sum + byte);
    }
    if (!reader.Next(byte)) return false;
    sum = static_cast<uint8_t>(sum + byte);
    if (sum != 0) return false;
    offset += length;
  }
}

}  // namespace karvelm
