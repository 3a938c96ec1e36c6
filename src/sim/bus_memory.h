// The module's bus as the simulator sees it: 64 KB of 16-bit words by even byte address,
// with hooks that give an address range its own register behaviour.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace karvelm {

struct TBusHook {
  uint16_t first = 0;  // byte addresses, both inclusive
  uint16_t last = 0;
  // Called instead of the stored word on a bus read; empty = the stored word.
  std::function<uint16_t(uint16_t address)> onRead;
  // Called instead of storing on a bus write; empty = stored as it is.
  std::function<void(uint16_t address, uint16_t value)> onWrite;
};

class TBusMemory {
 public:
  static constexpr int kWords = 0x8000;

  // Bus accesses, as the module's commands make them: through the hooks. An odd address
  // means the word that holds it.
  uint16_t Read(uint16_t address) const;
  void Write(uint16_t address, uint16_t value);

  // The stored word, bypassing the hooks (register models and tests).
  uint16_t Peek(uint16_t address) const { return FWords[address >> 1]; }
  void Poke(uint16_t address, uint16_t value) { FWords[address >> 1] = value; }

  // A later hook covering the same address wins.
  void AddHook(TBusHook hook);
  // The hook in force at the address, or nullptr; a hook laid over another copies it to
  // pass on what it does not handle itself.
  const TBusHook* HookAt(uint16_t address) const { return HookFor(address); }
  void ClearHooks() { FHooks.clear(); }

 private:
  const TBusHook* HookFor(uint16_t address) const;

  std::array<uint16_t, kWords> FWords{};
  std::vector<TBusHook> FHooks;
};

}  // namespace karvelm
