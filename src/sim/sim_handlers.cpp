#include "sim/sim_handlers.h"

#include <cstdint>
#include <vector>

#include "link/framing.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"
#include "sim/sim_storage_commands.h"

namespace karvelm {

namespace {

using namespace simcmd;

void Identify(TModuleSim& sim, const TSimRequest& request) {
  uint8_t reply[2];
  PutU16(reply, sim.IdentityFor(request.kind));
  sim.Reply(request, reply);
}

void VersionReply(TModuleSim& sim, const TSimRequest& request, TSimProgram side) {
  uint8_t reply[4];
  PutU32(reply, sim.VersionOf(side));
  sim.Reply(request, reply);
}

TSimProgram OtherSide(TSimProgram program) {
  return program == spFirmware ? spLoader : spFirmware;
}

// Address u32, count u32, the same count again; answered by one data packet. A request the
// link's encoder got wrong (odd or out-of-range address, counts that differ, more than one
// packet can carry) is refused rather than guessed at, so that tests see it.
void ReadBus(TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  if (p.size() < 12) return sim.FailData(request);
  const uint32_t address = GetU32(p.data());
  const uint32_t count = GetU32(p.data() + 4);
  const uint32_t maxWords = static_cast<uint32_t>(LinkSizes(request.kind).chunk) / 2;
  if (count == 0 || count > maxWords || count != GetU32(p.data() + 8) || (address & 1) ||
      address + 2 * count > 0x10000)
    return sim.FailData(request);
  std::vector<uint8_t> data;
  data.reserve(2 * count);
  for (uint32_t i = 0; i < count; ++i)
    SimAppendU16(data, sim.Bus().Read(static_cast<uint16_t>(address + 2 * i)));
  sim.SendData(request, data);
}

// Framed: address u32, value u32 (word in the low half), zeros. itHID_OLD packs address
// u16 and value u16 into the first four bytes.
void WriteBus(TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  uint32_t address = 0;
  uint16_t value = 0;
  if (request.kind == itHID_OLD) {
    address = GetU16(p.data());  // legacy payloads are always 62 bytes
    value = GetU16(p.data() + 2);
  } else {
    if (p.size() < 8) return sim.Fail(request);
    address = GetU32(p.data());
    value = static_cast<uint16_t>(GetU32(p.data() + 4));
  }
  if ((address & 1) || address > 0xFFFE) return sim.Fail(request);
  sim.Bus().Write(static_cast<uint16_t>(address), value);
  sim.Reply(request);
}

// Framed: type u32, index u32; reply NetAddress u32, the register map, version u32, four
// unused bytes. itHID_OLD: type and index one byte each; the reply's NetAddress is one byte.
void GetExtModule(TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  const bool legacy = request.kind == itHID_OLD;
  if (p.size() < (legacy ? 2u : 8u)) return sim.Fail(request);
  const uint32_t type = legacy ? p[0] : GetU32(p.data());
  const uint32_t index = legacy ? p[1] : GetU32(p.data() + 4);
  ExtModuleInfo info;
  if (auto found = sim.ExtModules().find({type, index}); found != sim.ExtModules().end())
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

}  // namespace

void InstallBaseCommands(TModuleSim& sim) {
  for (TSimProgram program : {spFirmware, spLoader}) {
    sim.SetHandler(program, cmdIdentify, Identify);
    sim.SetHandler(program, cmdGetVersion,
                   [](TModuleSim& s, const TSimRequest& r) { VersionReply(s, r, s.Program()); });
    sim.SetHandler(program, cmdGetOtherVersion, [](TModuleSim& s, const TSimRequest& r) {
      VersionReply(s, r, OtherSide(s.Program()));
    });
  }
  sim.SetHandler(spFirmware, cmdReadBus, ReadBus);
  sim.SetHandler(spFirmware, cmdWriteBus, WriteBus);
  sim.SetHandler(spFirmware, cmdGetExtModule, GetExtModule);
  // Both switches answer nothing: the module restarts at once.
  sim.SetHandler(spFirmware, cmdEnterLoader,
                 [](TModuleSim& s, const TSimRequest&) { s.Restart(spLoader); });
  sim.SetHandler(spLoader, cmdRestart,
                 [](TModuleSim& s, const TSimRequest&) { s.Restart(spFirmware); });
  InstallStorageCommands(sim);
}

}  // namespace karvelm
