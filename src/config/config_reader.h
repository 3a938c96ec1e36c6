// Reading a record stream into the configuration image. Frames are checked one by one and
// applied as they arrive; a bad frame ends the reading and keeps what was applied before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "config/byte_stream.h"
#include "config/config_image.h"

namespace karvelm {

enum TConfigReadStatus : uint8_t {
  crOk,               // the end of the data was reached (also inside an incomplete frame)
  crBadCrc,           // a frame failed its CRC
  crFrameTooLong,     // a length field above kMaxFrameLength
  crFrameTooShort,    // a length field below kMinFrameLength
  crDecodedTooLong,   // a frame expands to more than kMaxDecodedRecord bytes
  crMalformed,        // a run-length block or a record runs past the end of its frame
  crPastDestination,  // a data record runs past the end of the block it is stored in
  crReadError,        // the source failed
};

const char* ConfigReadStatusText(TConfigReadStatus status);

// The reader's state for one stream: the storage address set by the last address record.
struct TRecordState {
  std::optional<uint32_t> CurrentAddress;
};

// Where a data record for storage address goes: the start and the room left there, or none.
struct TDestination {
  uint8_t* data = nullptr;
  size_t room = 0;
};
TDestination RecordDestination(TConfigImage& image, uint32_t address);

// Applies the records of one decoded frame, up to a type byte of 0 or the end of the frame.
// A data record that does not fit its destination is refused whole.
TConfigReadStatus ApplyRecords(const uint8_t* buffer, size_t length, TConfigImage& image,
                               TRecordState& state);

// Reads frames until the end of the stream and applies them; the reason on failure.
// cutOff, when given, tells whether the stream ended inside a frame (its length field
// included): the reading still succeeds, but what came after the cut is missing.
TConfigReadStatus ReadConfigRecords(TByteSource& stream, TConfigImage& image,
                                    bool* cutOff = nullptr);
// True when the end of the stream was reached without a bad frame.
bool ReadConfigFile(TByteSource& stream, TConfigImage& image);

}  // namespace karvelm
