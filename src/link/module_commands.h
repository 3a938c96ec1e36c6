// The module's commands as typed calls over the link operations. Each picks the layout of
// the open link kind, returns false when the link operation fails or the reply is too short,
// and shows nothing. Outputs are written only on success.
#pragma once

#include <cstdint>
#include <functional>

#include "link/commands.h"
#include "link/module_records.h"

namespace karvelm {

// The console receiver data register (177562 octal): a word written there is a key stroke.
constexpr uint16_t kConsoleKeyRegister = 0xFF72;

// Called after each acknowledged piece of a transfer.
using TTransferProgress = std::function<void(uint32_t sent, uint32_t total)>;

// Which program answers: cmdIdentify through CheckModule with the application identity of
// the open link kind, or with LOADER_ID. The supervision probe keeps the short default;
// checks before an operation pass kTimeoutDefault.
bool ProbeFirmware(int timeout = kTimeoutProbe);
bool ProbeLoader(int timeout = kTimeoutProbe);

// Version word of the answering program, and of the other one.
bool GetVersion(uint32_t& word, int timeout = kTimeoutDefault);
bool GetOtherVersion(uint32_t& word, int timeout = kTimeoutDefault);

// count (1..kReadBusMaxWords) consecutive bus words from address. Words the module's data
// packet does not cover keep their previous values.
bool ReadBusWords(uint16_t address, int count, uint16_t* words, int timeout = kTimeoutDefault);
// One bus word, in the 20-byte form every writer but the console keyboard uses.
bool WriteBusWord(uint16_t address, uint16_t value, int timeout = kTimeoutDefault);
// A key stroke: the 12-byte cmdWriteBus form to the console keyboard register.
bool WriteConsoleKey(uint16_t code, uint16_t address = kConsoleKeyRegister,
                     int timeout = kTimeoutDefault);

// Restart into the bootloader (to the application) or into the application (to the
// bootloader). Only written; the module restarts without answering.
bool EnterLoader();
bool Restart();

// Bootloader: opens a stored block for reading.
bool OpenRead(uint32_t storageAddress, uint32_t length);
// Bootloader: cmdOpenRead, then the block in chunks (each asked for with cmdReadNext on the
// framed links; sent unasked by a first-generation module).
bool ReadStoredBlock(uint32_t storageAddress, uint32_t length, uint8_t* destination);
// Bootloader: announces the length of what follows (cmdWriteConfig or cmdWriteFirmware).
bool BeginWrite(uint8_t code, uint32_t total);
// Sends data in ChunkSize pieces, each acknowledged within kTimeoutLoaderData.
bool WritePieces(const uint8_t* data, uint32_t size, const TTransferProgress& progress = {});
// BeginWrite, then WritePieces.
bool WriteToLoader(uint8_t code, const uint8_t* data, uint32_t size,
                   const TTransferProgress& progress = {});

// Peripheral buses. GetExtModule leaves TableRow alone and changes nothing on failure, so
// callers that want an empty slot on failure clear NetAddress first.
bool GetPanelLink(PanelLinkInfo& info);
bool GetExtModule(uint32_t type, uint32_t index, ExtModuleInfo& info);
bool GetPanelStats(PanelLinkStats& stats);
bool GetExtModuleStats(uint32_t type, uint32_t index, ExtModuleStats& stats);

// DAC corrections.
bool GetDacCorrection(TDacCorrections& values);
bool SetDacCorrection(const TDacCorrections& values);
// cmdPause, cmdSetDacCorrection, cmdResume: all three are sent, so the module never stays
// paused; true when all three succeeded.
bool WriteDacCorrections(const TDacCorrections& values);
// Makes the corrections last across a restart; waits kPauseAfterDacSave for the module to
// store them, also when the command failed.
bool SaveDacCorrection();

// Version words of attached devices; 0 means absent. A BOSI link exists only on a
// first-generation module, so GetBosiVersion on a framed link fails without traffic.
bool GetBosiVersion(uint32_t& word);
bool GetPanelFwVersion(uint32_t& word);

bool Pause();
bool Resume();

}  // namespace karvelm
