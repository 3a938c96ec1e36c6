#include "link/module_commands.h"

#include <algorithm>

#include "base/clock.h"
#include "link/commands_codec.h"
#include "link/ext_intf.h"
#include "link/module_commands_internal.h"
#include "link/transactions.h"

namespace karvelm {

namespace detail {

bool LinkKind(TIntfType& kind) {
  if (!ActiveLink) return false;
  kind = ActiveLink->IntfType();
  return true;
}

bool Command(uint8_t code, const TCommandPayload& payload, int timeout) {
  return Transact(code, payload.size > 0 ? payload.data() : nullptr, payload.size, nullptr, 0,
                  timeout);
}

bool Query(uint8_t code, const TCommandPayload& payload, uint8_t* reply, int length, int timeout,
           int& replied) {
  return TransactCounted(code, payload.size > 0 ? payload.data() : nullptr, payload.size, reply,
                         length, timeout, replied);
}

bool QueryWord(uint8_t code, int timeout, uint32_t& word) {
  uint8_t reply[kVersionReplySize] = {};
  int replied = 0;
  return Query(code, {}, reply, kVersionReplySize, timeout, replied) &&
         DecodeVersion(reply, replied, word);
}

}  // namespace detail

using detail::Command;
using detail::LinkKind;
using detail::Query;
using detail::QueryWord;

bool ProbeFirmware(int timeout) {
  TIntfType kind;
  return LinkKind(kind) && CheckModule(FirmwareIdFor(kind), timeout);
}

bool ProbeLoader(int timeout) {
  return CheckModule(LOADER_ID, timeout);
}

bool GetVersion(uint32_t& word, int timeout) {
  return QueryWord(cmdGetVersion, timeout, word);
}

bool GetOtherVersion(uint32_t& word, int timeout) {
  return QueryWord(cmdGetOtherVersion, timeout, word);
}

bool ReadBusWords(uint16_t address, int count, uint16_t* words, int timeout) {
  if (count < 1 || count > kReadBusMaxWords || !words) return false;
  // Start from the caller's words so that bytes a short data packet leaves out keep them.
  uint8_t data[2 * kReadBusMaxWords];
  for (int i = 0; i < count; ++i) {
    data[2 * i] = static_cast<uint8_t>(words[i]);
    data[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  const TCommandPayload payload = EncodeReadBus(address, static_cast<uint32_t>(count));
  if (!ReadData(cmdReadBus, payload.data(), payload.size, data, static_cast<uint32_t>(2 * count),
                timeout))
    return false;
  for (int i = 0; i < count; ++i)
    words[i] = static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8);
  return true;
}

namespace {

bool WriteBus(uint16_t address, uint16_t value, TWriteBusForm form, int timeout) {
  TIntfType kind;
  return LinkKind(kind) &&
         Command(cmdWriteBus, EncodeWriteBus(kind, address, value, form), timeout);
}

}  // namespace

bool WriteBusWord(uint16_t address, uint16_t value, int timeout) {
  return WriteBus(address, value, wfFull, timeout);
}

bool WriteConsoleKey(uint16_t code, uint16_t address, int timeout) {
  return WriteBus(address, code, wfShort, timeout);
}

bool EnterLoader() {
  return SendCommand(cmdEnterLoader, nullptr, 0);
}

bool Restart() {
  return SendCommand(cmdRestart, nullptr, 0);
}

bool OpenRead(uint32_t storageAddress, uint32_t length) {
  TIntfType kind;
  return LinkKind(kind) &&
         Command(cmdOpenRead, EncodeOpenRead(kind, storageAddress, length), kTimeoutDefault);
}

bool ReadStoredBlock(uint32_t storageAddress, uint32_t length, uint8_t* destination) {
  if (!OpenRead(storageAddress, length)) return false;
  // A first-generation bootloader streams the block after cmdOpenRead on its own.
  const uint8_t perChunk = IsLegacyLink() ? 0 : cmdReadNext;
  return ReadData(perChunk, nullptr, 0, destination, length, kTimeoutDefault);
}

bool BeginWrite(uint8_t code, uint32_t total) {
  return Command(code, EncodeLength32(total), kTimeoutDefault);
}

bool WritePieces(const uint8_t* data, uint32_t size, const TTransferProgress& progress) {
  const uint32_t chunk = ChunkSize();
  if (chunk == 0) return false;
  for (uint32_t sent = 0; sent < size;) {
    const uint32_t piece = std::min(chunk, size - sent);
    if (!WriteData(data + sent, static_cast<int>(piece), kTimeoutLoaderData)) return false;
    sent += piece;
    if (progress) progress(sent, size);
  }
  return true;
}

bool WriteToLoader(uint8_t code, const uint8_t* data, uint32_t size,
                   const TTransferProgress& progress) {
  return BeginWrite(code, size) && WritePieces(data, size, progress);
}

bool GetPanelLink(PanelLinkInfo& info) {
  TIntfType kind;
  if (!LinkKind(kind)) return false;
  uint8_t reply[12] = {};
  int replied = 0;
  return Query(cmdGetPanelLink, {}, reply, PanelLinkReplySize(kind), kTimeoutDefault, replied) &&
         DecodePanelLink(kind, reply, replied, info);
}

bool GetExtModule(uint32_t type, uint32_t index, ExtModuleInfo& info) {
  TIntfType kind;
  if (!LinkKind(kind)) return false;
  uint8_t reply[28] = {};
  int replied = 0;
  return Query(cmdGetExtModule, EncodeGetExtModule(kind, type, index), reply,
               ExtModuleReplySize(kind), kTimeoutDefault, replied) &&
         DecodeExtModule(kind, reply, replied, info);
}

bool GetPanelStats(PanelLinkStats& stats) {
  uint8_t reply[kStatsReplySize] = {};
  int replied = 0;
  return Query(cmdGetPanelStats, {}, reply, kStatsReplySize, kTimeoutDefault, replied) &&
         DecodeStats(reply, replied, stats);
}

bool GetExtModuleStats(uint32_t type, uint32_t index, ExtModuleStats& stats) {
  uint8_t reply[kStatsReplySize] = {};
  int replied = 0;
  return Query(cmdGetExtModuleStats, EncodeExtModuleStats(type, index), reply, kStatsReplySize,
               kTimeoutDefault, replied) &&
         DecodeStats(reply, replied, stats);
}

bool GetDacCorrection(TDacCorrections& values) {
  TIntfType kind;
  if (!LinkKind(kind)) return false;
  uint8_t reply[32] = {};
  int replied = 0;
  return Query(cmdGetDacCorrection, {}, reply, DacCorrectionSize(kind), kTimeoutDefault, replied) &&
         DecodeDacCorrection(kind, reply, replied, values);
}

bool SetDacCorrection(const TDacCorrections& values) {
  TIntfType kind;
  return LinkKind(kind) &&
         Command(cmdSetDacCorrection, EncodeDacCorrection(kind, values), kTimeoutDefault);
}

bool WriteDacCorrections(const TDacCorrections& values) {
  const bool paused = Pause();
  const bool set = SetDacCorrection(values);
  const bool resumed = Resume();
  return paused && set && resumed;
}

bool SaveDacCorrection() {
  const bool saved = Command(cmdSaveDacCorrection, {}, kTimeoutDefault);
  Clock().SleepMs(kPauseAfterDacSave);
  return saved;
}

bool GetBosiVersion(uint32_t& word) {
  return IsLegacyLink() && QueryWord(cmdGetBosiVersion, kTimeoutDefault, word);
}

bool GetPanelFwVersion(uint32_t& word) {
  return QueryWord(cmdGetPanelFwVersion, kTimeoutDefault, word);
}

bool Pause() {
  return Command(cmdPause, {}, kTimeoutDefault);
}

bool Resume() {
  return Command(cmdResume, {}, kTimeoutDefault);
}

}  // namespace karvelm
