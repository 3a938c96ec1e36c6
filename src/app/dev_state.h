// What the last probe of one kind found: firmware or bootloader.
#pragma once

#include <cstdint>

namespace karvelm {

struct TDevState {
  bool connected = false;  // the last probe of this kind got the expected identifier
  uint32_t boot_ver = 0;   // version word of the bootloader
  uint32_t fw_ver = 0;     // version word of the firmware
};

}  // namespace karvelm
