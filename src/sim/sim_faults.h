// Faults the simulated module can be told to show. Counts are consumed as packets go out;
// kSimAlways makes a fault permanent. The plan can be changed at any time.
#pragma once

#include <cstdint>

namespace karvelm {

constexpr int kSimAlways = -1;

struct TSimFaults {
  int dropNext = 0;     // the next N answer packets are lost
  int dropEvery = 0;    // every k-th answer packet is lost (0 = off)
  int delayMs = 0;      // answers become available this long after the request
  int staleFirst = 0;   // the next N answers are preceded by a copy with an old sequence number
  int statusFF = 0;     // the next N answers carry status 0xFF (payload and sequence kept)
  int badChecksum = 0;  // the next N answers carry a wrong checksum field
  int badLength = 0;    // the next N answers carry a length field beyond the bytes sent
  int silentAfter = kSimAlways;  // after handling N packets the module ignores everything
  uint32_t failReadAt = 0;       // cmdOpenRead of this storage address is refused (0 = off)
  int loseDataAckAt = 0;  // every configuration write takes data packet N but never acknowledges it
  // A configuration write stores the byte at this storage address inverted, and acknowledges
  // it as if all were well (0 = off).
  uint32_t corruptWriteAt = 0;

  bool Any() const {
    return dropNext || dropEvery || delayMs || staleFirst || statusFF || badChecksum || badLength ||
           silentAfter != kSimAlways || failReadAt || loseDataAckAt || corruptWriteAt;
  }
};

// Takes one use of a counted fault: true when it applies to this packet.
inline bool TakeFault(int& count) {
  if (count == kSimAlways) return true;
  if (count > 0) {
    --count;
    return true;
  }
  return false;
}

}  // namespace karvelm
