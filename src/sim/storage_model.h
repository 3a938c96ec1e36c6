// The module's storage as its bootloader serves it: block reads (cmdOpenRead, then
// cmdReadNext per chunk on the framed links or unasked reports on itHID_OLD) and
// configuration writes (cmdWriteConfig, then the record stream as data packets, decoded
// and applied to the storage as it comes).
#pragma once

#include <cstdint>

#include "sim/sim_model.h"
#include "sim/sim_storage.h"

namespace karvelm {

// Storage addresses travel with this offset on a first-generation link.
constexpr uint32_t kSimLegacyStorageOffset = 0x200000;
// The longest record stream a configuration write may announce.
constexpr uint32_t kSimMaxConfigStream = 1u << 20;

class TStorageModel final : public TSimModel {
 public:
  // The block opened by the last cmdOpenRead on a framed link; a restart forgets it.
  struct TReadCursor {
    uint32_t address = 0;
    uint32_t remaining = 0;
    uint64_t restartMark = 0;  // the module's SilentUntil() when it was opened
  };

  TSimStorage storage;
  TReadCursor cursor;

  void Install(TModuleSim& sim) override;
};

}  // namespace karvelm
