// How far a transfer has come in bytes, for whoever shows it with a rate and the time left
// (the command line's progress line). The core calls it; it never draws anything itself.
#pragma once

#include <cstdint>
#include <functional>

namespace karvelm {

// done of total bytes moved (acknowledged, or read, or attempted, as the transfer counts).
using TByteProgress = std::function<void(uint64_t done, uint64_t total)>;

}  // namespace karvelm
