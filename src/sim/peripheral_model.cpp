#include "sim/peripheral_model.h"

#include <vector>

#include "link/commands.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"

namespace karvelm {

namespace {

// Framed: type u32, index u32; reply NetAddress u32, the register map, version u32, four
// unused bytes. itHID_OLD: type and index one byte each; the reply's NetAddress is one byte.
void GetExtModule(const TPeripheralBusModel& model, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  const bool legacy = request.kind == itHID_OLD;
  if (p.size() < (legacy ? 2u : 8u)) return sim.Fail(request);
  const uint32_t type = legacy ? p[0] : GetU32(p.data());
  const uint32_t index = legacy ? p[1] : GetU32(p.data() + 4);
  // Types run from 0 to 6. A first-generation layout on a framed link puts the index into
  // the type's second byte; on a legacy link bytes 2 and 3 are zero.
  const char* broken = nullptr;
  if (legacy && (p[2] != 0 || p[3] != 0))
    broken = "non-zero reserved bytes 2 and 3";
  else if (type > kSimLastExtModuleType)
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

}  // namespace

void TPeripheralBusModel::Install(TModuleSim& sim) {
  sim.SetHandler(spFirmware, cmdGetExtModule,
                 [this](TModuleSim& s, const TSimRequest& r) { GetExtModule(*this, s, r); },
                 {{{8}, saReply}});
}

}  // namespace karvelm
