// PDP-11 absolute-loader tapes (".lda") as ROM page images.
#pragma once

#include <cstdint>

#include "config/byte_stream.h"

namespace karvelm {

// Reads the blocks of an absolute-loader file into one page of kPageSize bytes. The data of
// the blocks go one after another from the start of the page, in file order; the load
// addresses only take part in the checksums. True once the end block (byte count 6) is
// reached. False on a missing start byte, a short or bad block, a bad checksum, or data
// that would run past the end of the page; the blocks read before the failure stay in the
// page, and nothing outside the page is written.
bool ReadAbsoluteLoader(TByteSource& file, uint8_t* page);

}  // namespace karvelm
