#include "link/commands_codec.h"

#include <algorithm>

#include "base/byte_order.h"

namespace karvelm {

namespace {

TCommandPayload TwoWords(uint32_t first, uint32_t second) {
  TCommandPayload payload;
  PutU32(&payload.bytes[0], first);
  PutU32(&payload.bytes[4], second);
  payload.size = 8;
  return payload;
}

bool HasBytes(const uint8_t* bytes, int n, int needed) {
  return bytes && n >= needed;
}

template <typename Counters>
bool DecodeCounters(const uint8_t* bytes, int n, Counters& counters) {
  if (!HasBytes(bytes, n, kStatsReplySize)) return false;
  counters.Exchanges = GetU32(bytes);
  counters.Timeouts = GetU32(bytes + 4);
  counters.Errors = GetU32(bytes + 8);
  return true;
}

}  // namespace

TCommandPayload EncodeReadBus(uint16_t address, uint32_t count) {
  TCommandPayload payload;
  PutU32(&payload.bytes[0], address);
  PutU32(&payload.bytes[4], count);
  PutU32(&payload.bytes[8], count);
  payload.size = kReadBusPayloadSize;
  return payload;
}

TCommandPayload EncodeWriteBus(TIntfType kind, uint16_t address, uint16_t value,
                               TWriteBusForm form) {
  TCommandPayload payload;  // zero-filled: the unused words are sent as 0
  if (IsLegacyKind(kind)) {
    PutU16(&payload.bytes[0], address);
    PutU16(&payload.bytes[2], value);
  } else {
    PutU32(&payload.bytes[0], address);
    PutU32(&payload.bytes[4], value);
  }
  payload.size = form == wfShort ? static_cast<int>(wfShort) : static_cast<int>(wfFull);
  return payload;
}

TCommandPayload EncodeOpenRead(TIntfType kind, uint32_t storageAddress, uint32_t length) {
  const uint32_t address =
      IsLegacyKind(kind) ? storageAddress + kLegacyStorageOffset : storageAddress;
  return TwoWords(address, length);
}

TCommandPayload EncodeLength32(uint32_t total) {
  TCommandPayload payload;
  PutU32(&payload.bytes[0], total);
  payload.size = kLengthPayloadSize;
  return payload;
}

TCommandPayload EncodePrepareExtModuleUpdate(uint32_t netAddress) {
  return EncodeLength32(netAddress);
}

TCommandPayload EncodeGetExtModule(TIntfType kind, uint32_t type, uint32_t index) {
  if (!IsLegacyKind(kind)) return TwoWords(type, index);
  TCommandPayload payload;
  payload.bytes[0] = static_cast<uint8_t>(type);
  payload.bytes[1] = static_cast<uint8_t>(index);
  payload.size = kModuleQueryPayloadSize;
  return payload;
}

TCommandPayload EncodeExtModuleStats(uint32_t type, uint32_t index) {
  return TwoWords(type, index);
}

TCommandPayload EncodeDacCorrection(TIntfType kind, const TDacCorrections& values) {
  TCommandPayload payload;
  const bool legacy = IsLegacyKind(kind);
  for (int i = 0; i < kDacChannels; ++i) {
    const uint32_t bits = static_cast<uint32_t>(values[static_cast<size_t>(i)]);
    if (legacy)
      PutU16(&payload.bytes[static_cast<size_t>(2 * i)], static_cast<uint16_t>(bits));
    else
      PutU32(&payload.bytes[static_cast<size_t>(4 * i)], bits);
  }
  payload.size = DacCorrectionSize(kind);
  return payload;
}

bool DecodeExtModule(TIntfType kind, const uint8_t* bytes, int n, ExtModuleInfo& info) {
  const bool legacy = IsLegacyKind(kind);
  const int mapAt = legacy ? 1 : 4;
  const int versionAt = mapAt + 16;
  if (!HasBytes(bytes, n, versionAt + 4)) return false;
  info.NetAddress = legacy ? bytes[0] : GetU32(bytes);
  std::copy_n(bytes + mapAt, info.RegisterMap.size(), info.RegisterMap.begin());
  info.Version = GetU32(bytes + versionAt);
  return true;
}

bool DecodePanelLink(TIntfType kind, const uint8_t* bytes, int n, PanelLinkInfo& info) {
  if (!HasBytes(bytes, n, PanelLinkReplySize(kind))) return false;
  if (IsLegacyKind(kind)) {
    info.ConsolePresent = bytes[0];
    info.PanelRegsPresent = bytes[1];
    info.Version = GetU32(bytes + 2);
  } else {
    info.ConsolePresent = GetU32(bytes);
    info.PanelRegsPresent = GetU32(bytes + 4);
    info.Version = GetU32(bytes + 8);
  }
  return true;
}

bool DecodeStats(const uint8_t* bytes, int n, ExtModuleStats& stats) {
  return DecodeCounters(bytes, n, stats);
}

bool DecodeStats(const uint8_t* bytes, int n, PanelLinkStats& stats) {
  return DecodeCounters(bytes, n, stats);
}

bool DecodeDacCorrection(TIntfType kind, const uint8_t* bytes, int n, TDacCorrections& values) {
  if (!HasBytes(bytes, n, DacCorrectionSize(kind))) return false;
  const bool legacy = IsLegacyKind(kind);
  for (int i = 0; i < kDacChannels; ++i) {
    values[static_cast<size_t>(i)] = legacy ? static_cast<int16_t>(GetU16(bytes + 2 * i))
                                            : static_cast<int32_t>(GetU32(bytes + 4 * i));
  }
  return true;
}

bool DecodeVersion(const uint8_t* bytes, int n, uint32_t& word) {
  if (!HasBytes(bytes, n, kVersionReplySize)) return false;
  word = GetU32(bytes);
  return true;
}

bool DecodeReadBus(const uint8_t* bytes, int n, uint16_t& address, uint32_t& count) {
  if (!HasBytes(bytes, n, kReadBusPayloadSize)) return false;
  address = static_cast<uint16_t>(GetU32(bytes));
  count = GetU32(bytes + 4);
  return true;
}

bool DecodeWriteBus(TIntfType kind, const uint8_t* bytes, int n, uint16_t& address,
                    uint16_t& value) {
  if (!HasBytes(bytes, n, wfShort)) return false;
  const bool legacy = IsLegacyKind(kind);
  address = legacy ? GetU16(bytes) : static_cast<uint16_t>(GetU32(bytes));
  value = legacy ? GetU16(bytes + 2) : static_cast<uint16_t>(GetU32(bytes + 4));
  return true;
}

bool DecodeOpenRead(TIntfType kind, const uint8_t* bytes, int n, uint32_t& storageAddress,
                    uint32_t& length) {
  if (!HasBytes(bytes, n, kOpenReadPayloadSize)) return false;
  storageAddress = GetU32(bytes) - (IsLegacyKind(kind) ? kLegacyStorageOffset : 0);
  length = GetU32(bytes + 4);
  return true;
}

bool DecodeModuleQuery(TIntfType kind, bool stats, const uint8_t* bytes, int n, uint32_t& type,
                       uint32_t& index) {
  if (!HasBytes(bytes, n, kModuleQueryPayloadSize)) return false;
  if (IsLegacyKind(kind) && !stats) {
    type = bytes[0];
    index = bytes[1];
  } else {
    type = GetU32(bytes);
    index = GetU32(bytes + 4);
  }
  return true;
}

std::string FormatVersion(uint32_t word) {
  std::string text;
  for (int shift : {24, 16, 8}) {
    text += std::to_string((word >> shift) & 0xFF);
    text += '.';
  }
  return text;
}

}  // namespace karvelm
