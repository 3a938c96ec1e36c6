// Which program of the module answers and the versions both programs report: the probe of
// the tool's identify and of the service report.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace karvelm {

enum TModuleProgram : int {
  mpAbsent,
  mpFirmware,
  mpBootloader,
};

// "absent", "firmware", "bootloader": the names in machine-readable output.
const char* ModuleProgramName(TModuleProgram program);

// The two probes (cmdIdentify with the firmware's identity or with the bootloader's); the
// caller knows the link kind and what a probe needs around it.
struct TProgramProbes {
  std::function<bool()> firmware;
  std::function<bool()> bootloader;
};

struct TModuleIdentity {
  TModuleProgram program = mpAbsent;
  std::optional<uint32_t> firmwareWord;  // the firmware's version word
  std::optional<uint32_t> loaderWord;    // the bootloader's
};

// The bootloader probe, then the firmware probe, then (when neither answered) the bootloader
// once more: the module may have come up in its bootloader between the two, and a probe does
// not say what it heard. For whichever answers, cmdGetVersion and cmdGetOtherVersion.
TModuleIdentity IdentifyModule(const TProgramProbes& probes);

}  // namespace karvelm
