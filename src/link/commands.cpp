#include "link/commands.h"

#include <array>

namespace karvelm {

namespace {

constexpr int V = kSizeVaries;

constexpr TCommandLayout Same(int payload, int reply) {
  return {payload, payload, reply};
}

// Every writer sends 20 bytes; the console key stroke sends the 12-byte form.
constexpr TCommandLayout kWriteBus = {20, 12, 0};

// Layouts differ between link kinds only where the first generation packs fields into
// 8 or 16 bits; the framed links carry 32-bit fields.
constexpr std::array kCommands = std::to_array<TCommandInfo>({
    {cmdIdentify, "cmdIdentify", csBoth, coCheckModule, Same(0, 2), Same(0, 2), kTimeoutDefault, 0,
     false},
    {cmdGetVersion, "cmdGetVersion", csBoth, coTransact, Same(0, 4), Same(0, 4), kTimeoutDefault, 0,
     false},
    {cmdReadBus, "cmdReadBus", csApplication, coReadData, Same(12, V), Same(12, V), kTimeoutDefault,
     0, false},
    {cmdWriteBus, "cmdWriteBus", csApplication, coTransact, kWriteBus, kWriteBus, kTimeoutDefault,
     0, false},
    {cmdOpenRead, "cmdOpenRead", csBootloader, coTransact, Same(8, 0), Same(8, 0), kTimeoutDefault,
     0, false},
    {cmdWriteConfig, "cmdWriteConfig", csBootloader, coTransactThenData, Same(4, 0), Same(4, 0),
     kTimeoutDefault, kTimeoutLoaderData, false},
    {cmdEnterLoader, "cmdEnterLoader", csApplication, coSendOnly, Same(0, 0), Same(0, 0), 0, 0,
     false},
    {cmdWriteFirmware, "cmdWriteFirmware", csBootloader, coTransactThenData, Same(4, 0), Same(4, 0),
     kTimeoutDefault, kTimeoutLoaderData, false},
    {cmdGetOtherVersion, "cmdGetOtherVersion", csBoth, coTransact, Same(0, 4), Same(0, 4),
     kTimeoutDefault, 0, false},
    {cmdRestart, "cmdRestart", csBootloader, coSendOnly, Same(0, 0), Same(0, 0), 0, 0, false},
    {cmdGetPanelLink, "cmdGetPanelLink", csApplication, coTransact, Same(0, 6), Same(0, 12),
     kTimeoutDefault, 0, false},
    {cmdReadNext, "cmdReadNext", csBootloader, coReadNext, Same(0, V), Same(0, V), kTimeoutDefault,
     0, false},
    {cmdGetExtModule, "cmdGetExtModule", csApplication, coTransact, Same(8, 25), Same(8, 28),
     kTimeoutDefault, 0, false},
    {cmdGetPanelStats, "cmdGetPanelStats", csApplication, coTransact, Same(0, 12), Same(0, 12),
     kTimeoutDefault, 0, false},
    {cmdGetExtModuleStats, "cmdGetExtModuleStats", csApplication, coTransact, Same(8, 12),
     Same(8, 12), kTimeoutDefault, 0, false},
    {cmdGetDacCorrection, "cmdGetDacCorrection", csApplication, coTransact, Same(0, 16),
     Same(0, 32), kTimeoutDefault, 0, false},
    {cmdSetDacCorrection, "cmdSetDacCorrection", csApplication, coTransact, Same(16, 0),
     Same(32, 0), kTimeoutDefault, 0, false},
    {cmdSaveDacCorrection, "cmdSaveDacCorrection", csApplication, coTransact, Same(0, 0),
     Same(0, 0), kTimeoutDefault, 0, false},
    {cmdGetBosiVersion, "cmdGetBosiVersion", csApplication, coTransact, Same(0, 4), Same(0, 4),
     kTimeoutDefault, 0, true},
    {cmdGetPanelFwVersion, "cmdGetPanelFwVersion", csApplication, coTransact, Same(0, 4),
     Same(0, 4), kTimeoutDefault, 0, false},
    {cmdPrepareBosiUpdate, "cmdPrepareBosiUpdate", csApplication, coTransact, Same(0, 0),
     Same(0, 0), kTimeoutDefault, 0, false},
    // Also answered, on itHID_OLD, by unrequested 4-byte data packets during a transfer.
    {cmdGetUpdateStatus, "cmdGetUpdateStatus", csApplication, coTransact, Same(0, 4), Same(0, 4),
     kTimeoutDefault, 0, false},
    {cmdWriteBosiFirmware, "cmdWriteBosiFirmware", csApplication, coTransactThenData, Same(4, 0),
     Same(4, 0), kTimeoutDefault, kTimeoutAccessoryData, false},
    {cmdPause, "cmdPause", csApplication, coTransact, Same(0, 0), Same(0, 0), kTimeoutDefault, 0,
     false},
    {cmdResume, "cmdResume", csApplication, coTransact, Same(0, 0), Same(0, 0), kTimeoutDefault, 0,
     false},
    {cmdPreparePanelUpdate, "cmdPreparePanelUpdate", csApplication, coTransact, Same(0, 0),
     Same(0, 0), kTimeoutPreparePanel, 0, false},
    {cmdWritePanelFirmware, "cmdWritePanelFirmware", csApplication, coTransactThenData, Same(4, 0),
     Same(4, 0), kTimeoutDefault, kTimeoutAccessoryData, false},
    {cmdFinishPanelUpdate, "cmdFinishPanelUpdate", csApplication, coTransact, Same(0, 0),
     Same(0, 0), kTimeoutDefault, 0, false},
    {cmdFinishBosiUpdate, "cmdFinishBosiUpdate", csApplication, coTransact, Same(0, 0), Same(0, 0),
     kTimeoutDefault, 0, false},
    {cmdPrepareExtModuleUpdate, "cmdPrepareExtModuleUpdate", csApplication, coTransact, Same(4, 0),
     Same(4, 0), kTimeoutDefault, 0, false},
    {cmdWriteExtModuleFirmware, "cmdWriteExtModuleFirmware", csApplication, coTransactThenData,
     Same(4, 0), Same(4, 0), kTimeoutDefault, kTimeoutAccessoryData, false},
    {cmdFinishExtModuleUpdate, "cmdFinishExtModuleUpdate", csApplication, coTransact, Same(0, 0),
     Same(0, 0), kTimeoutDefault, 0, false},
});

}  // namespace

std::span<const TCommandInfo> CommandTable() {
  return kCommands;
}

const TCommandInfo* FindCommand(uint8_t code, TCommandSide side) {
  for (const TCommandInfo& info : kCommands) {
    if (info.code != code) continue;
    if (side == csBoth || info.side == csBoth || info.side == side) return &info;
  }
  return nullptr;
}

const char* CommandName(uint8_t code, TCommandSide side) {
  const TCommandInfo* info = FindCommand(code, side);
  return info ? info->name : "cmd?";
}

}  // namespace karvelm
