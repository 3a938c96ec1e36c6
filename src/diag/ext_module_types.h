// The external-module types of the high-speed bus as data: what the module expects in its
// queries, how many instances each type can have, how a type is shown and where its
// registers sit on the legacy bus.
#pragma once

#include <array>
#include <cstdint>

namespace karvelm {

constexpr int kExtModuleSlots = 16;
// Type 5 stands for modules of no known kind: no registers, no counters.
constexpr uint8_t kUnknownExtModuleType = 5;

struct TExtModuleType {
  uint8_t code;           // as cmdGetExtModule and cmdGetExtModuleStats expect it
  int instances;          // of the type, queried with index 0..instances-1
  const char* name;       // as the listing shows it
  uint16_t registerBase;  // RegisterMap entry i stands for registerBase + 2*i; 0: none
  int firstSlot;          // slot of index 0 among the kExtModuleSlots records
};

// In listing order, which is also the order of every query and poll.
inline constexpr std::array<TExtModuleType, 7> kExtModuleTypes = {{
    {0, 4, "RK-110M", 0167600, 0},
    {6, 4, "RK-110M", 0167740, 4},
    {1, 2, "RK-120M", 0167600, 8},
    {2, 2, "RK-130M", 0167640, 10},
    {3, 2, "RK-140M/RK-143M", 0167700, 12},
    {4, 1, "RK-150M", 0167740, 14},
    {kUnknownExtModuleType, 1, "RK-???M", 0, 15},
}};

// The type with the code, or nullptr.
const TExtModuleType* FindExtModuleType(uint8_t code);

// The record slot of (type code, index), or -1 when there is none.
int ExtModuleSlot(uint8_t code, int index);

// Whether the module keeps counters for modules of the type (all but type 5).
constexpr bool HasExtModuleStats(const TExtModuleType& type) {
  return type.code != kUnknownExtModuleType;
}

}  // namespace karvelm
