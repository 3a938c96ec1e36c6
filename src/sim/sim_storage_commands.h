// The bootloader's storage commands: block reads (cmdOpenRead, then cmdReadNext per chunk on
// the framed links or unasked reports on itHID_OLD) and configuration writes (cmdWriteConfig,
// then the record stream as data packets, decoded and applied to the storage as it comes).
#pragma once

#include <cstdint>

namespace karvelm {

class TModuleSim;

namespace simcmd {
constexpr uint8_t cmdOpenRead = 0x07;
constexpr uint8_t cmdWriteConfig = 0x08;
constexpr uint8_t cmdReadNext = 0x0C;  // to the bootloader
}  // namespace simcmd

// Storage addresses travel with this offset on a first-generation link.
constexpr uint32_t kSimLegacyStorageOffset = 0x200000;
// The longest record stream a configuration write may announce.
constexpr uint32_t kSimMaxConfigStream = 1u << 20;

void InstallStorageCommands(TModuleSim& sim);

}  // namespace karvelm
