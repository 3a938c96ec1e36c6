// The simulated KarvelM module: its two programs, the restart between them, the bus memory,
// the queue of answers with fault injection, and a record of all it received. UI-free and
// single-threaded; the UDP server serialises access to it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "link/intf_type.h"
#include "link/module_records.h"
#include "sim/bus_memory.h"
#include "sim/dac_model.h"
#include "sim/protocol_checks.h"
#include "sim/sensor_model.h"
#include "sim/sim_console.h"
#include "sim/sim_faults.h"
#include "sim/sim_model.h"
#include "sim/sim_storage.h"
#include "sim/sim_types.h"

namespace karvelm {

constexpr uint32_t kSimDefaultFirmwareVersion = 0x02002200;  // 2.0.34.
constexpr uint32_t kSimDefaultLoaderVersion = 0x01000500;    // 1.0.5.
constexpr int kSimDefaultRestartMs = 300;

struct TSimConfig {
  TSimProgram program = spFirmware;  // running at start
  uint32_t firmwareVersion = kSimDefaultFirmwareVersion;
  uint32_t loaderVersion = kSimDefaultLoaderVersion;
  int restartMs = kSimDefaultRestartMs;  // silence after a switch between the programs
  uint16_t firmwareId = 0;  // identity of the firmware; 0 = FirmwareIdFor(the request's kind)
  // Strict: what breaks the protocol is refused as a real module would refuse it. Either
  // way it is recorded as a violation.
  bool strict = true;
  // A restart on a USB link takes the device off the bus for the restart silence, as a real
  // module's re-enumeration does: writes and reads fail and the link is not connected.
  bool usbLeavesBusOnRestart = false;
  TSimFaults faults;
  TSimDacSetup dac;
  TSimSensorSetup sensors;
};

// A packet ready for the link, with the sender of the request it answers.
struct TSimOutgoing {
  std::vector<uint8_t> bytes;
  uint64_t origin = 0;
};

class TModuleSim;
class TBusModel;
class TStorageModel;
class TPeripheralBusModel;
using TSimHandler = std::function<void(TModuleSim& sim, const TSimRequest& request)>;

class TModuleSim {
 public:
  // clock: the time the restart silence and delays are measured on; nullptr = Clock().
  explicit TModuleSim(TSimConfig config = {}, TClock* clock = nullptr);
  TModuleSim(const TModuleSim&) = delete;
  TModuleSim& operator=(const TModuleSim&) = delete;

  // One report or datagram written by the link. origin tags the answers (the UDP server
  // keeps the sender's address in it) and tells senders apart for their sequence numbers.
  // False when the device refuses the report itself (strict, a USB report of the wrong size
  // or ID): the link's write fails.
  bool Receive(TIntfType kind, const uint8_t* bytes, int size, uint64_t origin = 0);
  // A USB read request (report ID in byte 0, size); false when the device refuses it.
  bool AcceptReadRequest(TIntfType kind, const uint8_t* report, int size);

  // The oldest queued packet of the type (1 = reply, 2 = data, 0 = any) when it is due.
  std::optional<TSimOutgoing> TakeDue(uint8_t type = 0);
  // When the oldest queued packet of the type becomes due, if there is one.
  std::optional<uint64_t> NextDue(uint8_t type = 0) const;
  size_t QueuedCount() const { return FQueue.size(); }

  // Answers, for the command handlers. A reply with no payload on itHID_OLD is not queued:
  // the link does not read after a command that returns no data, and a queued report would
  // be taken as the answer to the next command.
  void Reply(const TSimRequest& request, std::span<const uint8_t> payload = {},
             uint8_t status = kSimStatusOk);
  // The failure answer: status 0xFF with the request's sequence. Legacy reports have no
  // status, so there the module stays silent and the link's read fails.
  void Fail(const TSimRequest& request);
  void SendData(const TSimRequest& request, std::span<const uint8_t> data,
                uint8_t status = kSimStatusOk);
  // The failure answer of a command the link answers with data: a data packet with status
  // 0xFF, so that a USB read of report ID 2 sees it (legacy: silence, as Fail).
  void FailData(const TSimRequest& request);

  // Command handlers by (program, code); a later one replaces an earlier one. Without a rule
  // the rule already set for the command stays (replacing a handler keeps its checks).
  void SetHandler(TSimProgram program, uint8_t code, TSimHandler handler,
                  std::optional<TSimCommandRule> rule = std::nullopt);
  void RemoveHandler(TSimProgram program, uint8_t code);
  bool HasHandler(TSimProgram program, uint8_t code) const;
  // Where data packets go (a record stream a command opened); empty = refused.
  void SetDataSink(TSimHandler sink) { FDataSink = std::move(sink); }
  bool ExpectsData() const { return static_cast<bool>(FDataSink); }

  // Switches to the program after the restart silence; queued answers are lost.
  void Restart(TSimProgram program);
  // Told of each restart (the HID test module takes the device off the bus).
  void SetRestartObserver(std::function<void()> observer) { FOnRestart = std::move(observer); }
  // Switches at once, without silence (tests, start-up).
  void SetProgram(TSimProgram program) { FProgram = program; }
  TSimProgram Program() const { return FProgram; }
  bool Restarting() const;
  // Between cmdPause and cmdResume; a restart ends the pause.
  bool Paused() const { return FPaused; }
  void SetPaused(bool paused) { FPaused = paused; }
  uint64_t SilentUntil() const { return FSilentUntil; }

  // Identity the running program gives to cmdIdentify on a link of the kind.
  uint16_t IdentityFor(TIntfType kind) const;
  uint32_t VersionOf(TSimProgram program) const;
  void SetVersion(TSimProgram program, uint32_t version);

  TSimConfig& Config() { return FConfig; }
  const TSimConfig& Config() const { return FConfig; }
  TSimFaults& Faults() { return FConfig.faults; }
  void SetFaults(const TSimFaults& faults) { FConfig.faults = faults; }

  // Adds a device family and installs its handlers and hooks; the module owns it.
  template <typename T, typename... Args>
  T& AddModel(Args&&... args) {
    auto model = std::make_unique<T>(std::forward<Args>(args)...);
    T& added = *model;
    FModels.push_back(std::move(model));
    added.Install(*this);
    return added;
  }
  // The first model of the type, or nullptr.
  template <typename T>
  T* FindModel() const {
    for (const auto& model : FModels)
      if (auto* found = dynamic_cast<T*>(model.get())) return found;
    return nullptr;
  }

  // Shortcuts into the families every module carries.
  TBusMemory& Bus();
  // The console monitor behind the screen memory and the keyboard register.
  TConsoleScreenModel& Console();
  // External modules on the high-speed bus by (type, index); a slot not listed is empty.
  std::map<std::pair<uint32_t, uint32_t>, ExtModuleInfo>& ExtModules();
  // The common block and both stored configurations, as the bootloader reads and writes them.
  TSimStorage& Storage();
  TClock& ClockRef() const { return FClock ? *FClock : Clock(); }

  // Protocol violations seen, oldest first. Handlers report the ones of their commands with
  // Refuse.
  // A server with a record limit keeps only the newest; ViolationTotal counts them all.
  const std::vector<TSimViolation>& Violations() const { return FViolations; }
  size_t ViolationTotal() const { return FViolationTotal; }
  void ClearViolations() {
    FViolations.clear();
    FViolationTotal = 0;
  }
  void RecordViolation(TIntfType kind, std::string text);
  // Records a violation of the request; true when the module is strict and the handler must
  // refuse the request (lenient, it carries on as well as it can).
  bool Refuse(const TSimRequest& request, std::string text);
  bool Strict() const { return FConfig.strict; }
  // Several programs may talk to the module in turn, each counting from 0 (UDP server).
  void AllowSequenceRestart(bool allow) { FSequences.AllowRestart(allow); }

  const std::vector<TSimReceived>& Received() const { return FReceived; }
  // Requests handed to a program, in order (the sfHandled part of Received).
  std::vector<TSimRequest> Requests() const;
  // Every packet put on the queue, stale copies included, in order.
  const std::vector<TSimPacket>& Sent() const { return FSent; }
  int DroppedCount() const { return FDropped; }
  void ClearRecord();
  // A long-running server keeps only the newest packets; 0 = keep everything.
  void SetRecordLimit(size_t limit) { FRecordLimit = limit; }

 private:
  struct THandlerEntry {
    TSimHandler handler;
    TSimCommandRule rule;
  };

  void Dispatch(const TSimRequest& request);
  void Enqueue(TSimPacket packet);
  // The rule of a command as the running program knows it, else as the other knows it.
  TSimCommandRule RuleFor(uint8_t code, TSimProgram program) const;
  // The answer to a request the module refuses: a failure in the report the link awaits.
  void RefuseRequest(const TSimRequest& request);
  // Sets the numbers that may follow a framed packet from the answers it got.
  // program: the one the request reached; its handler may have switched to the other.
  void FollowSequence(const TSimRequest& request, size_t sentBefore, bool answered,
                      TSimProgram program);

  TSimConfig FConfig;
  TClock* FClock;
  TSimProgram FProgram;
  uint64_t FSilentUntil = 0;
  bool FPaused = false;
  int FHandled = 0;  // packets handed to a program (for silentAfter)
  int FAnswers = 0;  // answer packets produced (for dropEvery)
  int FDropped = 0;
  uint64_t FCurrentOrigin = 0;
  size_t FRecordLimit = 0;
  std::vector<std::unique_ptr<TSimModel>> FModels;
  TBusModel* FBusModel = nullptr;
  TStorageModel* FStorageModel = nullptr;
  TPeripheralBusModel* FPeripheralModel = nullptr;
  TConsoleModel* FConsoleModel = nullptr;
  std::map<std::pair<int, uint8_t>, THandlerEntry> FHandlers;
  TSimHandler FDataSink;
  std::deque<TSimPacket> FQueue;
  std::vector<TSimReceived> FReceived;
  std::vector<TSimPacket> FSent;
  std::vector<TSimViolation> FViolations;
  size_t FViolationTotal = 0;
  TSimSequenceRules FSequences;
  uint64_t FRestarts = 0;
  std::function<void()> FOnRestart;
};

// One line about a violation for the server's log.
std::string DescribeViolation(const TSimViolation& violation);

// One line about a received packet for the server's log.
std::string DescribeReceived(const TSimReceived& received);

}  // namespace karvelm
