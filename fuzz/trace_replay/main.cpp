// Arbitrary text as a packet trace for the simulator's replay, then the trace's own requests
// (and the input's tail) as live requests against it. A refused trace is a runtime_error.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/trace_replay.h"

using namespace karvelm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    TTraceReplay replay(in);
    const std::vector<uint8_t> tail(data + size / 2, data + size);
    for (int i = 0; i < 4; ++i) {
      replay.Answer(tail.empty() ? nullptr : tail.data(), static_cast<int>(tail.size()));
      if (!replay.Departure().empty()) break;
    }
    (void)replay.Unfinished();
  } catch (const std::runtime_error&) {
  }
  return 0;
}
