// Payload encoders and reply decoders of the module's commands, on plain byte buffers.
// The first generation (itHID_OLD) packs some fields into 8 or 16 bits where the framed
// links use 32-bit fields; every function that differs takes the link kind. All fields
// are little-endian. Decoders never read past n bytes and report a short reply as false,
// leaving their output untouched.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/intf_type.h"
#include "link/module_records.h"

namespace karvelm {

constexpr bool IsLegacyKind(TIntfType kind) {
  return kind == itHID_OLD;
}

// The largest command payload the system sends.
constexpr int kMaxCommandPayload = 32;

// A command payload, built without allocation.
struct TCommandPayload {
  std::array<uint8_t, kMaxCommandPayload> bytes{};
  int size = 0;
  const uint8_t* data() const { return bytes.data(); }
};

constexpr int kReadBusPayloadSize = 12;
constexpr int kReadBusMaxWords = 32;  // one request always fits one data chunk
constexpr int kOpenReadPayloadSize = 8;
constexpr int kLengthPayloadSize = 4;
constexpr int kModuleQueryPayloadSize = 8;  // cmdGetExtModule, cmdGetExtModuleStats
constexpr int kStatsReplySize = 12;
constexpr int kVersionReplySize = 4;  // also cmdGetUpdateStatus
// The bootloader of a first-generation module finds stored blocks at this offset.
constexpr uint32_t kLegacyStorageOffset = 0x200000;

// cmdWriteBus comes in two lengths: the console key stroke sends the short one.
enum TWriteBusForm : int {
  wfShort = 12,
  wfFull = 20,
};

// Reply sizes that depend on the link kind.
constexpr int ExtModuleReplySize(TIntfType kind) {
  return IsLegacyKind(kind) ? 25 : 28;
}
constexpr int PanelLinkReplySize(TIntfType kind) {
  return IsLegacyKind(kind) ? 6 : 12;
}
constexpr int DacCorrectionSize(TIntfType kind) {
  return IsLegacyKind(kind) ? 16 : 32;
}

// cmdReadBus: first address, count, count again (same on every kind).
TCommandPayload EncodeReadBus(uint16_t address, uint32_t count);
// cmdWriteBus: framed u32 address, u32 value; legacy u16 address, u16 value; zeros after.
TCommandPayload EncodeWriteBus(TIntfType kind, uint16_t address, uint16_t value,
                               TWriteBusForm form);
// cmdOpenRead: storage address (offset by kLegacyStorageOffset on itHID_OLD), length.
TCommandPayload EncodeOpenRead(TIntfType kind, uint32_t storageAddress, uint32_t length);
// The length announcement of every write command; also cmdPrepareExtModuleUpdate's
// network address.
TCommandPayload EncodeLength32(uint32_t total);
TCommandPayload EncodePrepareExtModuleUpdate(uint32_t netAddress);
// cmdGetExtModule: legacy byte 0 type, byte 1 index, then zeros; framed u32 type, u32 index.
TCommandPayload EncodeGetExtModule(TIntfType kind, uint32_t type, uint32_t index);
// cmdGetExtModuleStats: u32 type, u32 index on every kind.
TCommandPayload EncodeExtModuleStats(uint32_t type, uint32_t index);
// cmdSetDacCorrection: legacy the low 16 bits of each value, framed signed 32-bit values.
TCommandPayload EncodeDacCorrection(TIntfType kind, const TDacCorrections& values);

// cmdGetExtModule reply: NetAddress, RegisterMap and Version; TableRow is left alone.
// Needs the meaningful bytes (21 legacy, 24 framed); the trailing unused ones may be missing.
bool DecodeExtModule(TIntfType kind, const uint8_t* bytes, int n, ExtModuleInfo& info);
// cmdGetPanelLink reply: legacy two bytes and a u32, framed three u32.
bool DecodePanelLink(TIntfType kind, const uint8_t* bytes, int n, PanelLinkInfo& info);
// cmdGetPanelStats / cmdGetExtModuleStats reply: three u32 counters.
bool DecodeStats(const uint8_t* bytes, int n, ExtModuleStats& stats);
bool DecodeStats(const uint8_t* bytes, int n, PanelLinkStats& stats);
// cmdGetDacCorrection reply: legacy signed 16-bit values widened, framed signed 32-bit.
bool DecodeDacCorrection(TIntfType kind, const uint8_t* bytes, int n, TDacCorrections& values);
// A version word or update status: u32.
bool DecodeVersion(const uint8_t* bytes, int n, uint32_t& word);

// The command payloads read back, for traces of the traffic; each mirrors its encoder above.
// cmdReadBus: first address and count.
bool DecodeReadBus(const uint8_t* bytes, int n, uint16_t& address, uint32_t& count);
// cmdWriteBus, either form: address and value.
bool DecodeWriteBus(TIntfType kind, const uint8_t* bytes, int n, uint16_t& address,
                    uint16_t& value);
// cmdOpenRead: storage address (without the first generation's offset) and length.
bool DecodeOpenRead(TIntfType kind, const uint8_t* bytes, int n, uint32_t& storageAddress,
                    uint32_t& length);
// cmdGetExtModule and cmdGetExtModuleStats (stats = true, u32 fields on every kind).
bool DecodeModuleQuery(TIntfType kind, bool stats, const uint8_t* bytes, int n, uint32_t& type,
                       uint32_t& index);

// Major, minor and build (bytes 3, 2, 1) in decimal, each followed by a point: "2.0.22.".
std::string FormatVersion(uint32_t word);

}  // namespace karvelm
