#include "config/byte_stream.h"

#include <algorithm>

namespace karvelm {

size_t TMemorySource::Get(uint8_t* data, size_t size) {
  const size_t count = std::min(size, FBytes.size() - FPosition);
  std::copy_n(FBytes.begin() + static_cast<ptrdiff_t>(FPosition), count, data);
  FPosition += count;
  return count;
}

}  // namespace karvelm
