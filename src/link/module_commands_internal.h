// Shared plumbing of the typed command calls; not for use outside them.
#pragma once

#include <cstdint>

#include "link/commands_codec.h"
#include "link/intf_type.h"

namespace karvelm::detail {

// The kind of ActiveLink; false when there is none.
bool LinkKind(TIntfType& kind);
// Transact without reply data.
bool Command(uint8_t code, const TCommandPayload& payload, int timeout);
// Transact with up to length reply bytes; replied gets how many arrived.
bool Query(uint8_t code, const TCommandPayload& payload, uint8_t* reply, int length, int timeout,
           int& replied);
// Transact with a 4-byte reply read as a u32.
bool QueryWord(uint8_t code, int timeout, uint32_t& word);

}  // namespace karvelm::detail
