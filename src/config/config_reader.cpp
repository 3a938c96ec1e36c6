#include "config/config_reader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "config/config_records.h"
#include "config/frame_crc.h"
#include "config/rle.h"

namespace karvelm {

const char* ConfigReadStatusText(TConfigReadStatus status) {
  switch (status) {
    case crOk:
      return "ok";
    case crBadCrc:
      return "frame CRC mismatch";
    case crFrameTooLong:
      return "frame longer than 1024 bytes";
    case crFrameTooShort:
      return "frame shorter than 3 bytes";
    case crDecodedTooLong:
      return "decoded frame longer than 1024 bytes";
    case crMalformed:
      return "record runs past the end of its frame";
    case crPastDestination:
      return "data record runs past the end of its block";
    case crReadError:
      return "read error";
  }
  return "?";
}

TDestination RecordDestination(TConfigImage& image, uint32_t address) {
  if (address == kCommonBlockAddress) return {image.CommonBlock.data(), kCommonBlockSize};
  for (int c = 0; c < kConfigCount; ++c) {
    if (address == kSettingsAddress[c]) return {image.SettingsBlock.data(), kSettingsBlockSize};
    if (address == kSetPointAddress[c]) return {image.SetPointBlock.data(), kSetPointBlockSize};
  }
  // Both configurations' pages land in the one memory image.
  if (address >= kMemoryImageAddress[0] && address < kMemoryAreaEnd) {
    const size_t offset = (address - kMemoryImageAddress[0]) % kMemoryImageSize;
    return {image.MemoryImage.data() + offset, kMemoryImageSize - offset};
  }
  return {};
}

TConfigReadStatus ApplyRecords(const uint8_t* buffer, size_t length, TConfigImage& image,
                               TRecordState& state) {
  size_t i = 0;
  while (i < length && buffer[i] != 0) {
    if (length - i < kRecordHeaderSize) return crMalformed;
    const uint8_t type = buffer[i];
    const uint32_t address =
        static_cast<uint32_t>(buffer[i + 1] << 16 | buffer[i + 2] << 8 | buffer[i + 3]);
    const size_t count = static_cast<size_t>(buffer[i + 4] << 8 | buffer[i + 5]);
    i += kRecordHeaderSize;
    if (type == RecAddress) {
      state.CurrentAddress = address;
    } else if (type == RecData) {
      if (count > length - i) return crMalformed;
      if (state.CurrentAddress) {
        const TDestination destination = RecordDestination(image, *state.CurrentAddress);
        if (destination.data) {
          if (count > destination.room) return crPastDestination;
          std::copy_n(buffer + i, count, destination.data);
        }
      }
      i += count;
    }
  }
  return crOk;
}

TConfigReadStatus ReadConfigRecords(TByteSource& stream, TConfigImage& image, bool* cutOff) {
  if (cutOff) *cutOff = false;
  auto endOfStream = [&](bool insideFrame) {
    if (stream.Failed()) return crReadError;
    if (cutOff) *cutOff = insideFrame;
    return crOk;
  };
  TRecordState state;
  std::array<uint8_t, kMaxFrameLength> frame;
  std::vector<uint8_t> decoded;
  decoded.reserve(kMaxDecodedRecord);
  for (;;) {
    uint8_t head[2];
    if (const size_t got = stream.Get(head, 2); got < 2) return endOfStream(got > 0);
    const size_t frameLength = static_cast<size_t>(head[0] << 8 | head[1]);
    if (frameLength > kMaxFrameLength) return crFrameTooLong;
    if (frameLength < kMinFrameLength) return crFrameTooShort;
    // An incomplete last frame is ignored: a cut-off file reads as far as it is whole.
    if (stream.Get(frame.data(), frameLength) < frameLength) return endOfStream(true);
    if (FrameCheck(frame.data(), frameLength) != 0) return crBadCrc;
    switch (RleDecode(frame.data(), frameLength - 2, decoded, kMaxDecodedRecord)) {
      case rsOk:
        break;
      case rsTooLong:
        return crDecodedTooLong;
      case rsTruncated:
        return crMalformed;
    }
    const TConfigReadStatus applied = ApplyRecords(decoded.data(), decoded.size(), image, state);
    if (applied != crOk) return applied;
  }
}

bool ReadConfigFile(TByteSource& stream, TConfigImage& image) {
  return ReadConfigRecords(stream, image) == crOk;
}

}  // namespace karvelm
