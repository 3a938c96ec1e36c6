#include "sim/bus_model.h"

#include <cstdint>
#include <vector>

#include "link/commands.h"
#include "link/framing.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"

namespace karvelm {

namespace {

// Address u32, count u32, the same count again; answered by one data packet. A request the
// link's encoder got wrong (odd or out-of-range address, counts that differ, more than one
// packet can carry) is refused rather than guessed at, so that tests see it.
void ReadBus(TBusMemory& memory, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  if (p.size() < 12) return sim.FailData(request);
  const uint32_t address = GetU32(p.data());
  const uint32_t count = GetU32(p.data() + 4);
  const uint32_t maxWords = static_cast<uint32_t>(LinkSizes(request.kind).chunk) / 2;
  if (count == 0 || count > maxWords || count != GetU32(p.data() + 8) || (address & 1) ||
      address + 2 * count > 0x10000)
    return sim.FailData(request);
  std::vector<uint8_t> data;
  data.reserve(2 * count);
  for (uint32_t i = 0; i < count; ++i)
    SimAppendU16(data, memory.Read(static_cast<uint16_t>(address + 2 * i)));
  sim.SendData(request, data);
}

// Framed: address u32, value u32 (word in the low half), zeros. itHID_OLD packs address
// u16 and value u16 into the first four bytes.
void WriteBus(TBusMemory& memory, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  uint32_t address = 0;
  uint16_t value = 0;
  if (request.kind == itHID_OLD) {
    address = GetU16(p.data());  // legacy payloads are always 62 bytes
    value = GetU16(p.data() + 2);
  } else {
    if (p.size() < 8) return sim.Fail(request);
    address = GetU32(p.data());
    value = static_cast<uint16_t>(GetU32(p.data() + 4));
  }
  if ((address & 1) || address > 0xFFFE) return sim.Fail(request);
  memory.Write(static_cast<uint16_t>(address), value);
  sim.Reply(request);
}

}  // namespace

void TBusModel::Install(TModuleSim& sim) {
  sim.SetHandler(spFirmware, cmdReadBus,
                 [this](TModuleSim& s, const TSimRequest& r) { ReadBus(memory, s, r); });
  sim.SetHandler(spFirmware, cmdWriteBus,
                 [this](TModuleSim& s, const TSimRequest& r) { WriteBus(memory, s, r); });
}

}  // namespace karvelm
