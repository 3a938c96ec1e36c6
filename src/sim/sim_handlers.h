// The commands both programs of the simulated module answer from the start.
#pragma once

namespace karvelm {

class TModuleSim;

// Identify and the two version queries on both programs; bus read and write and the switch
// to the bootloader on the firmware; the restart into the firmware and the storage commands
// on the bootloader.
void InstallBaseCommands(TModuleSim& sim);

}  // namespace karvelm
