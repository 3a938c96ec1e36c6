#include "sim/module_sim.h"

#include <algorithm>
#include <cstdio>

#include "link/commands.h"
#include "sim/bus_model.h"
#include "sim/peripheral_model.h"
#include "sim/program_commands.h"
#include "sim/sim_codec.h"
#include "sim/storage_model.h"
#include "sim/updater_model.h"

namespace karvelm {

const char* SimProgramName(TSimProgram program) {
  return program == spLoader ? "bootloader" : "firmware";
}

TModuleSim::TModuleSim(TSimConfig config, TClock* clock)
    : FConfig(std::move(config)), FClock(clock), FProgram(FConfig.program) {
  InstallProgramCommands(*this);
  // The device families; the bus comes first, as the others hook their registers into it.
  FBusModel = &AddModel<TBusModel>();
  FStorageModel = &AddModel<TStorageModel>();
  FPeripheralModel = &AddModel<TPeripheralBusModel>();
  AddModel<TUpdaterModel>();
}

TBusMemory& TModuleSim::Bus() {
  return FBusModel->memory;
}

std::map<std::pair<uint32_t, uint32_t>, ExtModuleInfo>& TModuleSim::ExtModules() {
  return FPeripheralModel->extModules;
}

TSimStorage& TModuleSim::Storage() {
  return FStorageModel->storage;
}

void TModuleSim::Receive(TIntfType kind, const uint8_t* bytes, int size, uint64_t origin) {
  TSimReceived record;
  record.kind = kind;
  if (bytes && size > 0) record.raw.assign(bytes, bytes + size);
  record.atMs = ClockRef().NowMs();
  record.program = FProgram;
  const int silentAfter = FConfig.faults.silentAfter;
  if (record.atMs < FSilentUntil)
    record.fate = sfRestarting;
  else if (silentAfter >= 0 && FHandled >= silentAfter)
    record.fate = sfSilenced;
  else if (!DecodeSimPacket(kind, bytes, size, ExpectsData(), record.request))
    record.fate = sfMalformed;
  else
    record.fate = sfHandled;

  if (FRecordLimit > 0 && FReceived.size() >= FRecordLimit)
    FReceived.erase(FReceived.begin(), FReceived.begin() + static_cast<long>(FRecordLimit / 2));
  FReceived.push_back(record);
  if (record.fate != sfHandled) return;
  ++FHandled;
  FCurrentOrigin = origin;
  Dispatch(record.request);
}

void TModuleSim::Dispatch(const TSimRequest& request) {
  if (request.type == kSimTypeData) {
    if (!FDataSink) return Fail(request);
    TSimHandler sink = FDataSink;  // the sink may close itself
    return sink(*this, request);
  }
  auto it = FHandlers.find({FProgram, request.code});
  if (it == FHandlers.end()) return Fail(request);  // a command this program does not know
  TSimHandler handler = it->second;
  handler(*this, request);
}

void TModuleSim::Reply(const TSimRequest& request, std::span<const uint8_t> payload,
                       uint8_t status) {
  if (!IsFramedKind(request.kind) && payload.empty()) return;
  TSimPacket packet;
  packet.kind = request.kind;
  packet.type = kSimTypeReply;
  packet.status = status;
  packet.sequence = request.sequence;
  packet.payload.assign(payload.begin(), payload.end());
  Enqueue(std::move(packet));
}

void TModuleSim::Fail(const TSimRequest& request) {
  if (!IsFramedKind(request.kind)) return;
  Reply(request, {}, kSimStatusFailure);
}

void TModuleSim::FailData(const TSimRequest& request) {
  if (!IsFramedKind(request.kind)) return;
  SendData(request, {}, kSimStatusFailure);
}

void TModuleSim::SendData(const TSimRequest& request, std::span<const uint8_t> data,
                          uint8_t status) {
  TSimPacket packet;
  packet.kind = request.kind;
  packet.type = kSimTypeData;
  packet.status = status;
  packet.sequence = request.sequence;
  packet.payload.assign(data.begin(), data.end());
  Enqueue(std::move(packet));
}

void TModuleSim::Enqueue(TSimPacket packet) {
  TSimFaults& faults = FConfig.faults;
  packet.origin = FCurrentOrigin;
  packet.dueMs = ClockRef().NowMs() + static_cast<uint64_t>(std::max(faults.delayMs, 0));
  ++FAnswers;
  const bool dropped =
      TakeFault(faults.dropNext) || (faults.dropEvery > 0 && FAnswers % faults.dropEvery == 0);
  if (dropped) {
    ++FDropped;
    return;
  }
  // Status, checksum, length and sequence exist only in the framed header.
  if (IsFramedKind(packet.kind)) {
    if (TakeFault(faults.statusFF)) packet.status = kSimStatusFailure;
    packet.badChecksum = TakeFault(faults.badChecksum);
    packet.badLength = TakeFault(faults.badLength);
    if (TakeFault(faults.staleFirst)) {
      TSimPacket stale = packet;
      stale.sequence = packet.sequence - 1;
      stale.stale = true;
      stale.badChecksum = stale.badLength = false;
      FSent.push_back(stale);
      FQueue.push_back(std::move(stale));
    }
  }
  FSent.push_back(packet);
  FQueue.push_back(std::move(packet));
}

std::optional<TSimOutgoing> TModuleSim::TakeDue(uint8_t type) {
  const uint64_t now = ClockRef().NowMs();
  for (auto it = FQueue.begin(); it != FQueue.end(); ++it) {
    if (type != 0 && it->type != type) continue;
    if (it->dueMs > now) return std::nullopt;  // the oldest of its type is not ready yet
    TSimOutgoing out{EncodeSimPacket(*it), it->origin};
    FQueue.erase(it);
    return out;
  }
  return std::nullopt;
}

std::optional<uint64_t> TModuleSim::NextDue(uint8_t type) const {
  for (const TSimPacket& packet : FQueue)
    if (type == 0 || packet.type == type) return packet.dueMs;
  return std::nullopt;
}

void TModuleSim::SetHandler(TSimProgram program, uint8_t code, TSimHandler handler) {
  FHandlers[{program, code}] = std::move(handler);
}

void TModuleSim::RemoveHandler(TSimProgram program, uint8_t code) {
  FHandlers.erase({program, code});
}

bool TModuleSim::HasHandler(TSimProgram program, uint8_t code) const {
  return FHandlers.count({program, code}) != 0;
}

void TModuleSim::Restart(TSimProgram program) {
  FProgram = program;
  FSilentUntil = ClockRef().NowMs() + static_cast<uint64_t>(std::max(FConfig.restartMs, 0));
  FQueue.clear();
  FDataSink = nullptr;
}

bool TModuleSim::Restarting() const {
  return ClockRef().NowMs() < FSilentUntil;
}

uint16_t TModuleSim::IdentityFor(TIntfType kind) const {
  if (FProgram == spLoader) return LOADER_ID;
  return FConfig.firmwareId ? FConfig.firmwareId : FirmwareIdFor(kind);
}

uint32_t TModuleSim::VersionOf(TSimProgram program) const {
  return program == spLoader ? FConfig.loaderVersion : FConfig.firmwareVersion;
}

void TModuleSim::SetVersion(TSimProgram program, uint32_t version) {
  (program == spLoader ? FConfig.loaderVersion : FConfig.firmwareVersion) = version;
}

std::vector<TSimRequest> TModuleSim::Requests() const {
  std::vector<TSimRequest> requests;
  for (const TSimReceived& received : FReceived)
    if (received.fate == sfHandled) requests.push_back(received.request);
  return requests;
}

void TModuleSim::ClearRecord() {
  FReceived.clear();
  FSent.clear();
  FDropped = 0;
}

std::string DescribeReceived(const TSimReceived& received) {
  static const char* const kKinds[] = {"usb-old", "usb-new", "udp"};
  const char* kind = kKinds[received.kind == itHID_OLD ? 0 : received.kind == itHID_NEW ? 1 : 2];
  char line[160];
  const TSimRequest& r = received.request;
  switch (received.fate) {
    case sfHandled:
      if (r.type == kSimTypeData)
        std::snprintf(line, sizeof line, "%s %s: data seq %u, %zu bytes", kind,
                      SimProgramName(received.program), r.sequence, r.payload.size());
      else
        std::snprintf(
            line, sizeof line, "%s %s: %s (0x%02X) seq %u, %zu payload bytes", kind,
            SimProgramName(received.program),
            CommandName(r.code, received.program == spLoader ? csBootloader : csApplication),
            r.code, r.sequence, r.payload.size());
      break;
    case sfRestarting:
      std::snprintf(line, sizeof line, "%s: %zu bytes ignored while restarting", kind,
                    received.raw.size());
      break;
    case sfSilenced:
      std::snprintf(line, sizeof line, "%s: %zu bytes ignored (silent)", kind, received.raw.size());
      break;
    default:
      std::snprintf(line, sizeof line, "%s: %zu bytes malformed, ignored", kind,
                    received.raw.size());
      break;
  }
  return line;
}

}  // namespace karvelm
