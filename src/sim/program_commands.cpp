#include "sim/program_commands.h"

#include <cstdint>

#include "link/commands.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"

namespace karvelm {

namespace {

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

}  // namespace

void InstallProgramCommands(TModuleSim& sim) {
  const TSimCommandRule query{{0}, saReply};
  for (TSimProgram program : {spFirmware, spLoader}) {
    sim.SetHandler(program, cmdIdentify, Identify, query);
    sim.SetHandler(
        program, cmdGetVersion,
        [](TModuleSim& s, const TSimRequest& r) { VersionReply(s, r, s.Program()); }, query);
    sim.SetHandler(
        program, cmdGetOtherVersion,
        [](TModuleSim& s, const TSimRequest& r) { VersionReply(s, r, OtherSide(s.Program())); },
        query);
  }
  // The pause holds the module's own work while the DAC corrections change or an accessory
  // is updated; a restart ends it.
  sim.SetHandler(
      spFirmware, cmdPause,
      [](TModuleSim& s, const TSimRequest& r) {
        s.SetPaused(true);
        s.Reply(r);
      },
      query);
  sim.SetHandler(
      spFirmware, cmdResume,
      [](TModuleSim& s, const TSimRequest& r) {
        s.SetPaused(false);
        s.Reply(r);
      },
      query);
  // Both switches answer nothing: the module restarts at once.
  const TSimCommandRule unanswered{{0}, saNone};
  sim.SetHandler(
      spFirmware, cmdEnterLoader, [](TModuleSim& s, const TSimRequest&) { s.Restart(spLoader); },
      unanswered);
  sim.SetHandler(
      spLoader, cmdRestart, [](TModuleSim& s, const TSimRequest&) { s.Restart(spFirmware); },
      unanswered);
}

}  // namespace karvelm
