#include "diag/bus_access.h"

#include "base/byte_order.h"
#include "base/clock.h"
#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/ext_intf.h"
#include "link/transactions.h"

namespace karvelm {

bool FirmwareAnswers() {
  return ProbeFirmware(kTimeoutDefault);
}

bool WriteBusLong(uint16_t address, uint32_t value) {
  if (!ActiveLink) return false;
  const TIntfType kind = ActiveLink->IntfType();
  TCommandPayload payload = EncodeWriteBus(kind, address, static_cast<uint16_t>(value), wfFull);
  if (!IsLegacyKind(kind)) PutU32(&payload.bytes[4], value);
  return Transact(cmdWriteBus, payload.data(), payload.size, nullptr, 0, kTimeoutDefault);
}

void DiagWait(int ms) {
  Clock().SleepMs(ms);
}

}  // namespace karvelm
