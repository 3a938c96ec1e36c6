// The query of one external module, shared by the peripheral bus view, the DAC view and the
// update page.
#pragma once

#include <cstdint>

#include "link/module_records.h"

namespace karvelm {

// QueryExtModule: one cmdGetExtModule (250 ms) in the layout of the link kind. The slot's
// NetAddress is cleared first, so a failed query leaves the slot empty (not listed, not
// polled); TableRow is never touched.
bool QueryExtModule(uint32_t type, uint32_t index, ExtModuleInfo& slot);

}  // namespace karvelm
