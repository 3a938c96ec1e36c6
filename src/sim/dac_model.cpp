#include "sim/dac_model.h"

#include <vector>

#include "link/commands.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"

namespace karvelm {

namespace {

size_t ChannelOf(uint16_t address) {
  return static_cast<size_t>((address - kSimDacBase) >> 1);
}

}  // namespace

TDacModel::TDacModel(const TSimDacSetup& setup) : corrections(setup.stored), stored(setup.stored) {}

std::array<bool, kSimDacChannels> TDacModel::Served(TModuleSim& sim) const {
  std::array<bool, kSimDacChannels> served{};
  const auto& modules = sim.ExtModules();
  for (uint32_t index = 0; index < kSimDacModuleSlots; ++index) {
    auto found = modules.find({kSimDacModuleType, index});
    if (found == modules.end() || found->second.NetAddress == 0) continue;
    for (size_t i = 0; i < served.size(); ++i)
      if (found->second.RegisterMap[i] != kSimRegisterUnused) served[i] = true;
  }
  return served;
}

void TDacModel::Install(TModuleSim& sim) {
  TBusHook hook;
  hook.first = kSimDacBase;
  hook.last = static_cast<uint16_t>(kSimDacBase + 2 * (kSimDacChannels - 1));
  hook.onRead = [this](uint16_t address) { return registers[ChannelOf(address)]; };
  hook.onWrite = [this](uint16_t address, uint16_t value) {
    registers[ChannelOf(address)] = value;
    ++writes[ChannelOf(address)];
  };
  sim.Bus().AddHook(std::move(hook));

  // Framed: eight signed 32-bit values; itHID_OLD: eight signed 16-bit values. A channel no
  // listed RK-130M serves reads 0.
  sim.SetHandler(
      spFirmware, cmdGetDacCorrection,
      [this](TModuleSim& s, const TSimRequest& r) {
        const std::array<bool, kSimDacChannels> servedNow = Served(s);
        std::vector<uint8_t> reply;
        for (size_t i = 0; i < corrections.size(); ++i) {
          const int32_t value = servedNow[i] ? corrections[i] : 0;
          if (r.kind == itHID_OLD)
            SimAppendU16(reply, static_cast<uint16_t>(value));
          else
            SimAppendU32(reply, static_cast<uint32_t>(value));
        }
        s.Reply(r, reply);
      },
      TSimCommandRule{{0}, saReply});
  // Taken only while the module is paused, and only for served channels.
  sim.SetHandler(
      spFirmware, cmdSetDacCorrection,
      [this](TModuleSim& s, const TSimRequest& r) {
        const bool legacy = r.kind == itHID_OLD;
        const size_t size = legacy ? 2 * kSimDacChannels : 4 * kSimDacChannels;
        if (!s.Paused()) {
          ++refusedSets;
          if (s.Refuse(r, "outside cmdPause..cmdResume")) return s.Fail(r);
        }
        if (legacy ? r.payload.size() < size : r.payload.size() != size) return s.Fail(r);
        const std::array<bool, kSimDacChannels> servedNow = Served(s);
        for (size_t i = 0; i < corrections.size(); ++i) {
          if (!servedNow[i]) continue;
          corrections[i] = legacy ? static_cast<int16_t>(GetU16(r.payload.data() + 2 * i))
                                  : static_cast<int32_t>(GetU32(r.payload.data() + 4 * i));
        }
        s.Reply(r);
      },
      TSimCommandRule{{4 * kSimDacChannels}, saReply});
  sim.SetHandler(
      spFirmware, cmdSaveDacCorrection,
      [this](TModuleSim& s, const TSimRequest& r) {
        stored = corrections;
        ++saves;
        s.Reply(r);
      },
      TSimCommandRule{{0}, saReply});
}

void TDacModel::OnRestart(TModuleSim&) {
  corrections = stored;
}

}  // namespace karvelm
