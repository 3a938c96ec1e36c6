#include "sim/peripheral_model.h"

#include <string>
#include <vector>

#include "link/commands.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"

namespace karvelm {

namespace {

constexpr size_t kQueryPayload = 8;   // type and index, in the link kind's layout
constexpr uint32_t kUnknownType = 5;  // no counters are kept for modules of no known kind
constexpr uint32_t kLastType = 6;

// Framed payloads carry exactly what the command takes; legacy reports are always full,
// so only their meaningful bytes are looked at.
bool PayloadFits(const TSimRequest& request, size_t size) {
  return request.kind == itHID_OLD ? request.payload.size() >= size
                                   : request.payload.size() == size;
}

void AppendCounters(std::vector<uint8_t>& reply, const ExtModuleStats& counters) {
  SimAppendU32(reply, counters.Exchanges);
  SimAppendU32(reply, counters.Timeouts);
  SimAppendU32(reply, counters.Errors);
}

// No payload. Framed: ConsolePresent, PanelRegsPresent, Version, each u32. itHID_OLD: the two
// flags one byte each, then Version.
void GetPanelLink(const TPeripheralBusModel& model, TModuleSim& sim, const TSimRequest& request) {
  if (!PayloadFits(request, 0)) return sim.Fail(request);
  std::vector<uint8_t> reply;
  if (request.kind == itHID_OLD) {
    reply.push_back(static_cast<uint8_t>(model.panel.ConsolePresent));
    reply.push_back(static_cast<uint8_t>(model.panel.PanelRegsPresent));
  } else {
    SimAppendU32(reply, model.panel.ConsolePresent);
    SimAppendU32(reply, model.panel.PanelRegsPresent);
  }
  SimAppendU32(reply, model.panel.Version);
  sim.Reply(request, reply);
}

// Framed: type u32, index u32; reply NetAddress u32, the register map, version u32, four
// unused bytes. itHID_OLD: type and index one byte each, then two zero bytes; the reply's
// NetAddress is one byte.
void GetExtModule(const TPeripheralBusModel& model, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  const bool legacy = request.kind == itHID_OLD;
  if (!PayloadFits(request, kQueryPayload)) return sim.Fail(request);
  const uint32_t type = legacy ? p[0] : GetU32(p.data());
  const uint32_t index = legacy ? p[1] : GetU32(p.data() + 4);
  // Types run from 0 to 6. A first-generation layout on a framed link puts the index into
  // the type's second byte; on a legacy link bytes 2 and 3 are zero.
  const char* broken = nullptr;
  if (legacy && (p[2] != 0 || p[3] != 0))
    broken = "non-zero reserved bytes 2 and 3";
  else if (type > kLastType)
    broken = legacy ? "no such module type" : "no such module type (a first-generation layout?)";
  if (broken && sim.Refuse(request, broken)) return sim.Fail(request);
  ExtModuleInfo info;
  if (auto found = model.extModules.find({type, index}); found != model.extModules.end())
    info = found->second;
  std::vector<uint8_t> reply;
  if (legacy)
    reply.push_back(static_cast<uint8_t>(info.NetAddress));
  else
    SimAppendU32(reply, info.NetAddress);
  reply.insert(reply.end(), info.RegisterMap.begin(), info.RegisterMap.end());
  SimAppendU32(reply, info.Version);
  reply.resize(reply.size() + 4, 0);
  sim.Reply(request, reply);
}

// No payload; the three counters, which move on by their step at every poll.
void GetPanelStats(TPeripheralBusModel& model, TModuleSim& sim, const TSimRequest& request) {
  if (!PayloadFits(request, 0)) return sim.Fail(request);
  model.panelCounters.Advance();
  std::vector<uint8_t> reply;
  AppendCounters(reply, model.panelCounters.value);
  sim.Reply(request, reply);
}

// Type u32 and index u32 on every link kind. The module keeps no counters for type 5 and
// knows no type above 6: those are refused.
void GetExtModuleStats(TPeripheralBusModel& model, TModuleSim& sim, const TSimRequest& request) {
  if (!PayloadFits(request, kQueryPayload)) return sim.Fail(request);
  const uint32_t type = GetU32(request.payload.data());
  const uint32_t index = GetU32(request.payload.data() + 4);
  // The listing never polls type 5, and no type above 6 exists.
  if (type == kUnknownType || type > kLastType) return sim.Fail(request);
  ExtModuleStats counters{};
  if (auto found = model.extCounters.find({type, index}); found != model.extCounters.end()) {
    found->second.Advance();
    counters = found->second.value;
  }
  std::vector<uint8_t> reply;
  AppendCounters(reply, counters);
  sim.Reply(request, reply);
}

}  // namespace

void TPeripheralBusModel::Install(TModuleSim& sim) {
  sim.SetHandler(
      spFirmware, cmdGetPanelLink,
      [this](TModuleSim& s, const TSimRequest& r) { GetPanelLink(*this, s, r); },
      TSimCommandRule{{0}, saReply});
  sim.SetHandler(
      spFirmware, cmdGetExtModule,
      [this](TModuleSim& s, const TSimRequest& r) { GetExtModule(*this, s, r); },
      TSimCommandRule{{8}, saReply});
  sim.SetHandler(
      spFirmware, cmdGetPanelStats,
      [this](TModuleSim& s, const TSimRequest& r) { GetPanelStats(*this, s, r); },
      TSimCommandRule{{0}, saReply});
  sim.SetHandler(
      spFirmware, cmdGetExtModuleStats,
      [this](TModuleSim& s, const TSimRequest& r) { GetExtModuleStats(*this, s, r); },
      TSimCommandRule{{8}, saReply});
}

}  // namespace karvelm
