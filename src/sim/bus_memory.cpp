#include "sim/bus_memory.h"

namespace karvelm {

const TBusHook* TBusMemory::HookFor(uint16_t address) const {
  const uint16_t even = address & 0xFFFE;
  for (auto it = FHooks.rbegin(); it != FHooks.rend(); ++it)
    if (even >= (it->first & 0xFFFE) && even <= it->last) return &*it;
  return nullptr;
}

uint16_t TBusMemory::Read(uint16_t address) const {
  const TBusHook* hook = HookFor(address);
  if (hook && hook->onRead) return hook->onRead(address & 0xFFFE);
  return Peek(address);
}

void TBusMemory::Write(uint16_t address, uint16_t value) {
  const TBusHook* hook = HookFor(address);
  if (hook && hook->onWrite)
    hook->onWrite(address & 0xFFFE, value);
  else
    Poke(address, value);
}

void TBusMemory::AddHook(TBusHook hook) {
  FHooks.push_back(std::move(hook));
}

}  // namespace karvelm
