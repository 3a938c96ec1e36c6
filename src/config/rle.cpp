#include "config/rle.h"

namespace karvelm {

std::vector<uint8_t> RleEncode(const uint8_t* input, size_t length) {
  std::vector<uint8_t> out;
  if (length == 0) return out;
  out.reserve(length + length / 64 + 2);
  // The current block is out[control..]: a literal (count, bytes) or a run (0x80 + count, byte).
  size_t control = 0;
  bool run = false;
  int count = 1;
  out.push_back(1);
  out.push_back(input[0]);
  auto openLiteral = [&](uint8_t c) {
    control = out.size();
    out.push_back(1);
    out.push_back(c);
    run = false;
    count = 1;
  };
  for (size_t i = 1; i < length; ++i) {
    const uint8_t c = input[i];
    const uint8_t p = input[i - 1];
    if (!run) {
      if (c != p) {
        if (count == kRleMaxBlock) {
          openLiteral(c);
        } else {
          out.push_back(c);
          out[control] = static_cast<uint8_t>(++count);
        }
      } else if (count == 1) {
        run = true;  // the literal's single byte becomes the run's byte
        count = 2;
        out[control] = 0x80 | 2;
      } else {
        out.pop_back();  // p leaves the literal and starts the run with c
        out[control] = static_cast<uint8_t>(--count);
        control = out.size();
        out.push_back(0x80 | 2);
        out.push_back(p);
        run = true;
        count = 2;
      }
    } else if (c == p && count < kRleMaxBlock) {
      // The run takes every further copy of its byte up to the block limit in one go.
      size_t end = i + 1;
      const size_t limit = i + static_cast<size_t>(kRleMaxBlock - count);
      while (end < length && end < limit && input[end] == c) ++end;
      count += static_cast<int>(end - i);
      out[control] = static_cast<uint8_t>(0x80 | count);
      i = end - 1;
    } else {
      openLiteral(c);
    }
  }
  return out;
}

TRleStatus RleDecode(const uint8_t* encoded, size_t length, std::vector<uint8_t>& decoded,
                     size_t limit) {
  decoded.clear();
  size_t i = 0;
  while (i < length) {
    const uint8_t control = encoded[i++];
    const size_t count = control & 0x7F;
    if (control & 0x80) {
      if (i >= length) return rsTruncated;
      if (count > limit - decoded.size()) return rsTooLong;
      decoded.insert(decoded.end(), count, encoded[i++]);
    } else {
      if (count > length - i) return rsTruncated;
      if (count > limit - decoded.size()) return rsTooLong;
      decoded.insert(decoded.end(), encoded + i, encoded + i + count);
      i += count;
    }
  }
  return rsOk;
}

}  // namespace karvelm
