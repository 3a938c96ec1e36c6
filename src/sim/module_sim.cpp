#include "sim/module_sim.h"

#include <algorithm>
#include <cstdio>

#include "link/commands.h"
#include "sim/bus_model.h"
#include "sim/harness_model.h"
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
  FConsoleModel = &AddModel<TConsoleModel>();
  AddModel<TLoopbackHarnessModel>();
  AddModel<TDacModel>(FConfig.dac);
  AddModel<TSensorModel>(FConfig.sensors);
  AddModel<TUpdaterModel>();
}

TBusMemory& TModuleSim::Bus() {
  return FBusModel->memory;
}

std::map<std::pair<uint32_t, uint32_t>, ExtModuleInfo>& TModuleSim::ExtModules() {
  return FPeripheralModel->extModules;
}

TConsoleScreenModel& TModuleSim::Console() {
  return FConsoleModel->screen;
}

TSimStorage& TModuleSim::Storage() {
  return FStorageModel->storage;
}

bool TModuleSim::Receive(TIntfType kind, const uint8_t* bytes, int size, uint64_t origin) {
  TSimReceived record;
  record.kind = kind;
  if (bytes && size > 0) record.raw.assign(bytes, bytes + size);
  record.atMs = ClockRef().NowMs();
  record.program = FProgram;
  FCurrentOrigin = origin;
  auto keep = [&] {
    if (FRecordLimit > 0 && FReceived.size() >= FRecordLimit)
      FReceived.erase(FReceived.begin(), FReceived.begin() + static_cast<long>(FRecordLimit / 2));
    FReceived.push_back(record);
  };

  const int silentAfter = FConfig.faults.silentAfter;
  if (record.atMs < FSilentUntil || (silentAfter >= 0 && FHandled >= silentAfter)) {
    record.fate = record.atMs < FSilentUntil ? sfRestarting : sfSilenced;
    keep();
    // Unanswered; what the link numbers next follows from the packet, if it can be read.
    TSimRequest unanswered;
    if (IsFramedKind(kind) && DecodeSimPacket(kind, bytes, size, false, unanswered))
      FollowSequence(unanswered, FSent.size(), false, FProgram);
    else
      FSequences.Forget(origin);
    return true;
  }
  if (std::string why = CheckWrittenReport(kind, bytes, size); !why.empty()) {
    RecordViolation(kind, why);
    if (FConfig.strict) {
      record.fate = sfRefused;
      keep();
      FSequences.Forget(origin);
      return false;
    }
  }
  std::string why;
  if (!DecodeSimPacket(kind, bytes, size, ExpectsData(), record.request, &why)) {
    RecordViolation(kind, "malformed packet: " + why);
    record.fate = sfMalformed;
    keep();
    FSequences.Forget(origin);
    return true;
  }
  const TSimRequest& request = record.request;
  if (!IsFramedKind(kind)) {
    FSequences.Forget(origin);  // the link counts legacy reports without sending the number
  } else {
    std::string broken = CheckFramedPacket(kind, request, size);
    if (broken.empty()) broken = FSequences.Check(origin, request.sequence);
    if (!broken.empty() && Refuse(request, broken)) {
      record.fate = sfRefused;
      keep();
      const size_t sentBefore = FSent.size();
      RefuseRequest(request);
      FollowSequence(request, sentBefore, true, FProgram);
      return true;
    }
  }
  record.fate = sfHandled;
  keep();
  ++FHandled;
  const size_t sentBefore = FSent.size();
  const TSimProgram program = FProgram;
  const uint64_t restartsBefore = FRestarts;
  Dispatch(request);
  // A request that restarted the module leaves nothing to follow: see Restart.
  if (IsFramedKind(kind) && FRestarts == restartsBefore)
    FollowSequence(request, sentBefore, true, program);
  return true;
}

bool TModuleSim::AcceptReadRequest(TIntfType kind, const uint8_t* report, int size) {
  const std::string why = CheckReadRequest(kind, report, size);
  if (why.empty()) return true;
  RecordViolation(kind, why);
  return !FConfig.strict;
}

void TModuleSim::RecordViolation(TIntfType kind, std::string text) {
  if (FRecordLimit > 0 && FViolations.size() >= FRecordLimit)
    FViolations.erase(FViolations.begin(),
                      FViolations.begin() + static_cast<long>(FRecordLimit / 2));
  FViolations.push_back({kind, ClockRef().NowMs(), std::move(text)});
  ++FViolationTotal;
}

bool TModuleSim::Refuse(const TSimRequest& request, std::string text) {
  const char* name =
      request.type == kSimTypeData
          ? "data packet"
          : CommandName(request.code, FProgram == spLoader ? csBootloader : csApplication);
  RecordViolation(request.kind, std::string(name) + ": " + text);
  return FConfig.strict;
}

TSimCommandRule TModuleSim::RuleFor(uint8_t code, TSimProgram program) const {
  auto it = FHandlers.find({program, code});
  if (it == FHandlers.end())
    it = FHandlers.find({program == spLoader ? spFirmware : spLoader, code});
  return it == FHandlers.end() ? TSimCommandRule{} : it->second.rule;
}

void TModuleSim::RefuseRequest(const TSimRequest& request) {
  if (request.type == kSimTypeReply && RuleFor(request.code, FProgram).answer == saData)
    return FailData(request);
  Fail(request);
}

void TModuleSim::FollowSequence(const TSimRequest& request, size_t sentBefore, bool answered,
                                TSimProgram program) {
  const bool data = request.type == kSimTypeData;
  const TSimAnswer answer = data ? saReply : RuleFor(request.code, program).answer;
  // On itHID_NEW the link reads a reply or a data packet by its report ID; a packet of the
  // other type stays unread. Data packets are acknowledged by replies.
  const uint8_t awaited = !data && answer == saData ? kSimTypeData : kSimTypeReply;
  TSimAnswerOutcome outcome;
  const uint64_t now = ClockRef().NowMs();
  auto readable = [&](const TSimPacket& packet) {
    return !packet.badLength && packet.origin == FCurrentOrigin &&
           (request.kind != itHID_NEW || packet.type == awaited);
  };
  // An older answer with the same number, still unread, is what the link takes first.
  const size_t fresh = FSent.size() - sentBefore;
  for (size_t i = 0; i + fresh < FQueue.size(); ++i) {
    const TSimPacket& packet = FQueue[i];
    if (readable(packet) && !packet.stale && packet.sequence == request.sequence) {
      (packet.status == kSimStatusFailure ? outcome.failed : outcome.ok) = true;
      answered = false;
      break;
    }
  }
  for (size_t i = sentBefore; answered && i < FSent.size(); ++i) {
    const TSimPacket& packet = FSent[i];
    if (!readable(packet)) continue;
    if (packet.stale) {
      outcome.staleSequences.push_back(packet.sequence);
      continue;
    }
    if (packet.sequence != request.sequence) continue;
    (packet.status == kSimStatusFailure ? outcome.failed : outcome.ok) = true;
    if (packet.dueMs > now) outcome.late = true;
  }
  // A dropped answer leaves no packet: the outcome stays "no answer".
  FSequences.Expect(FCurrentOrigin, NextSequences(request.sequence, data, answer, outcome));
}

void TModuleSim::Dispatch(const TSimRequest& request) {
  if (request.type == kSimTypeData) {
    if (!FDataSink) {
      Refuse(request, "no write is open");
      return Fail(request);
    }
    TSimHandler sink = FDataSink;  // the sink may close itself
    return sink(*this, request);
  }
  if (IsUnusedCommandCode(request.code)) {
    char text[48];
    std::snprintf(text, sizeof text, "unused command code 0x%02X", request.code);
    Refuse(request, text);
    return Fail(request);
  }
  auto it = FHandlers.find({FProgram, request.code});
  if (it == FHandlers.end()) return Fail(request);  // a command the other program knows
  const TSimCommandRule& rule = it->second.rule;
  const int size = static_cast<int>(request.payload.size());
  if (IsFramedKind(request.kind) && !rule.payloadSizes.empty() &&
      std::ranges::find(rule.payloadSizes, size) == rule.payloadSizes.end()) {
    std::string expected;
    for (int n : rule.payloadSizes)
      expected += (expected.empty() ? "" : " or ") + std::to_string(n);
    if (Refuse(request, std::to_string(size) + "-byte payload; it takes " + expected))
      return RefuseRequest(request);
  }
  TSimHandler handler = it->second.handler;
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

void TModuleSim::SetHandler(TSimProgram program, uint8_t code, TSimHandler handler,
                            std::optional<TSimCommandRule> rule) {
  THandlerEntry& entry = FHandlers[{program, code}];
  entry.handler = std::move(handler);
  if (rule) entry.rule = std::move(*rule);
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
  FPaused = false;
  for (const auto& model : FModels) model->OnRestart(*this);
  // The restarted program knows nothing of the numbers before; the link may even have
  // started again at 0 after a command it could not write while the module was away.
  FSequences.Clear();
  ++FRestarts;
  if (FOnRestart) FOnRestart();
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

std::string DescribeViolation(const TSimViolation& violation) {
  static const char* const kKinds[] = {"usb-old", "usb-new", "udp"};
  const TIntfType kind = violation.kind;
  return std::string(kKinds[kind == itHID_OLD   ? 0
                            : kind == itHID_NEW ? 1
                                                : 2]) +
         ": protocol violation: " + violation.text;
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
    case sfRefused:
      std::snprintf(line, sizeof line, "%s: %zu bytes refused", kind, received.raw.size());
      break;
    default:
      std::snprintf(line, sizeof line, "%s: %zu bytes malformed, ignored", kind,
                    received.raw.size());
      break;
  }
  return line;
}

}  // namespace karvelm
