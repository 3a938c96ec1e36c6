#include "report/module_identity.h"

#include "link/module_commands.h"

namespace karvelm {

namespace {

using TVersionQuery = bool (*)(uint32_t&, int);

std::optional<uint32_t> QueryVersion(TVersionQuery query) {
  uint32_t word = 0;
  if (!query(word, kTimeoutDefault)) return std::nullopt;
  return word;
}

}  // namespace

const char* ModuleProgramName(TModuleProgram program) {
  switch (program) {
    case mpFirmware:
      return "firmware";
    case mpBootloader:
      return "bootloader";
    default:
      return "absent";
  }
}

TModuleIdentity IdentifyModule(const TProgramProbes& probes) {
  bool loader = probes.bootloader();
  const bool firmware = !loader && probes.firmware();
  if (!loader && !firmware) loader = probes.bootloader();
  TModuleIdentity identity;
  if (loader) {
    identity.program = mpBootloader;
    identity.loaderWord = QueryVersion(GetVersion);
    identity.firmwareWord = QueryVersion(GetOtherVersion);
  } else if (firmware) {
    identity.program = mpFirmware;
    identity.firmwareWord = QueryVersion(GetVersion);
    identity.loaderWord = QueryVersion(GetOtherVersion);
  }
  return identity;
}

}  // namespace karvelm
