// Arbitrary packets in both directions through one trace decoder, so that its remembered
// state (last command, answering program, announced write bytes) meets every kind of packet.
// Input: a link kind byte, then packets as [direction][length][bytes]. Each packet is copied
// to a buffer of exactly its size, so ASan sees any over-read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/trace_decode.h"
#include "link/trace_json.h"

using namespace karvelm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const TIntfType kind = static_cast<TIntfType>(data[0] % 3);
  TTraceDecoder decoder;
  size_t at = 1;
  while (at + 2 <= size) {
    const TTraceDirection direction = data[at] & 1 ? tdFromModule : tdToModule;
    const size_t length = std::min<size_t>(data[at + 1] * 8u, size - at - 2);
    const std::vector<uint8_t> packet(data + at + 2, data + at + 2 + length);
    at += 2 + length;
    std::string line;
    TJsonLine json(line);
    json.BeginObject();
    decoder.Describe(direction, kind, packet.empty() ? nullptr : packet.data(),
                     static_cast<int>(packet.size()), json);
    json.EndObject();
  }
  return 0;
}
