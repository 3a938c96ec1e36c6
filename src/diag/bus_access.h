// The module calls the diagnostics views share: the firmware check before an action, the
// bus-word helpers and the waits of the tests.
#pragma once

#include <cstdint>
#include <functional>

#include "link/module_commands.h"  // ReadBusWords, WriteBusWord

namespace karvelm {

// Switches the supervision timer off (false) and on again (true) around a test or a
// calibration step, so that no tick runs between its transactions.
using TTimerSwitch = std::function<void(bool enabled)>;

// Asked between the steps of a long test: true stops it early, with its outputs left as its
// normal end leaves them. The command line's Ctrl-C; the desktop's tests pass none.
using TCancel = std::function<bool()>;

inline bool Cancelled(const TCancel& cancel) {
  return cancel && cancel();
}

// CheckModule with the firmware identity of the link kind and the ordinary 250 ms.
bool FirmwareAnswers();

// cmdWriteBus in the 20-byte form with all 32 bits of value in the value field of the
// framed links; the legacy layout carries the low 16 bits. The loop-back test writes the
// 32-bit complement of a bit this way.
bool WriteBusLong(uint16_t address, uint32_t value);

// A wait of a test, through the clock seam.
void DiagWait(int ms);

}  // namespace karvelm
