// The commands both programs of the simulated module answer whatever devices it carries:
// identity, the two version queries and the switches between firmware and bootloader.
#pragma once

namespace karvelm {

class TModuleSim;

void InstallProgramCommands(TModuleSim& sim);

}  // namespace karvelm
