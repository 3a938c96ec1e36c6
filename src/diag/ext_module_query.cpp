#include "diag/ext_module_query.h"

#include "link/module_commands.h"

namespace karvelm {

bool QueryExtModule(uint32_t type, uint32_t index, ExtModuleInfo& slot) {
  slot.NetAddress = 0;
  return GetExtModule(type, index, slot);
}

}  // namespace karvelm
