#include "sim/bus_model.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/commands.h"
#include "link/framing.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"

namespace karvelm {

namespace {

bool AllZero(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  to = std::min(to, bytes.size());
  return std::all_of(bytes.begin() + static_cast<long>(std::min(from, to)),
                     bytes.begin() + static_cast<long>(to), [](uint8_t b) { return b == 0; });
}

// Address u32, count u32, the same count again; answered by one data packet. What the
// link's encoder can get wrong (odd or out-of-range address, counts that differ, more than
// one packet can carry) is refused rather than guessed at.
void ReadBus(TBusMemory& memory, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  if (p.size() < 12) return sim.FailData(request);
  const uint32_t address = GetU32(p.data());
  const uint32_t count = GetU32(p.data() + 4);
  const uint32_t maxWords = static_cast<uint32_t>(LinkSizes(request.kind).chunk) / 2;
  const char* broken = nullptr;
  if (count == 0 || count > maxWords)
    broken = "word count beyond one packet";
  else if (count != GetU32(p.data() + 8))
    broken = "the two word counts differ";
  else if (address & 1)
    broken = "odd bus address";
  else if (address + 2 * count > 0x10000)
    broken = "words beyond the bus";
  if (broken) {
    sim.Refuse(request, broken);
    return sim.FailData(request);  // nothing sensible to answer even when lenient
  }
  std::vector<uint8_t> data;
  data.reserve(2 * count);
  for (uint32_t i = 0; i < count; ++i)
    SimAppendU16(data, memory.Read(static_cast<uint16_t>(address + 2 * i)));
  sim.SendData(request, data);
}

// Framed: address u32, value u32 (word in the low half), zeros. itHID_OLD packs address
// u16 and value u16 into the first four bytes; bytes 4 to 11 are zero (a framed layout on
// a legacy link puts the value there). The rest of a legacy report is padding.
void WriteBus(TBusMemory& memory, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  uint32_t address = 0;
  uint32_t value = 0;
  const char* broken = nullptr;
  if (request.kind == itHID_OLD) {
    address = GetU16(p.data());  // legacy payloads are always 62 bytes
    value = GetU16(p.data() + 2);
    if (!AllZero(p, 4, 12)) broken = "non-zero reserved bytes 4 to 11 (a framed layout?)";
  } else {
    if (p.size() < 8) return sim.Fail(request);
    address = GetU32(p.data());
    value = GetU32(p.data() + 4);
    // The value field is 32 bits wide and the bus word takes its low half; the loop-back test
    // writes a 32-bit complement there.
    value &= 0xFFFF;
    if (address > 0xFFFF)
      broken = "bus address beyond 16 bits (a first-generation layout?)";
    else if (!AllZero(p, 8, p.size()))
      broken = "non-zero reserved bytes after the value";
  }
  if (!broken && (address & 1)) broken = "odd bus address";
  if (broken && sim.Refuse(request, broken)) return sim.Fail(request);
  if ((address & 1) || address > 0xFFFE) return sim.Fail(request);
  memory.Write(static_cast<uint16_t>(address), static_cast<uint16_t>(value));
  sim.Reply(request);
}

}  // namespace

void TBusModel::Install(TModuleSim& sim) {
  sim.SetHandler(spFirmware, cmdReadBus,
                 [this](TModuleSim& s, const TSimRequest& r) { ReadBus(memory, s, r); },
                 {{{12}, saData}});
  // The console's key stroke sends the 12-byte form, every other writer 20 bytes.
  sim.SetHandler(spFirmware, cmdWriteBus,
                 [this](TModuleSim& s, const TSimRequest& r) { WriteBus(memory, s, r); },
                 {{{12, 20}, saReply}});
}

}  // namespace karvelm
