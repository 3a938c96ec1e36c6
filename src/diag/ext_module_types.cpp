#include "diag/ext_module_types.h"

namespace karvelm {

const TExtModuleType* FindExtModuleType(uint8_t code) {
  for (const TExtModuleType& type : kExtModuleTypes)
    if (type.code == code) return &type;
  return nullptr;
}

int ExtModuleSlot(uint8_t code, int index) {
  const TExtModuleType* type = FindExtModuleType(code);
  if (!type || index < 0 || index >= type->instances) return -1;
  return type->firstSlot + index;
}

}  // namespace karvelm
