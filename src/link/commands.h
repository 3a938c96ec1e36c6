// The module's command vocabulary: codes, timeouts and pauses, and a table that describes
// every command (who answers it, how it travels, its sizes) for the simulator and for logs.
#pragma once

#include <cstdint>
#include <span>

namespace karvelm {

// Command codes. 0x09 and 0x0C mean one thing to the application and another to the
// bootloader, so each has two names.
constexpr uint8_t cmdIdentify = 0x01;
constexpr uint8_t cmdGetVersion = 0x02;
constexpr uint8_t cmdReadBus = 0x03;
constexpr uint8_t cmdWriteBus = 0x04;
constexpr uint8_t cmdOpenRead = 0x07;
constexpr uint8_t cmdWriteConfig = 0x08;
constexpr uint8_t cmdEnterLoader = 0x09;    // to the application
constexpr uint8_t cmdWriteFirmware = 0x09;  // to the bootloader
constexpr uint8_t cmdGetOtherVersion = 0x0A;
constexpr uint8_t cmdRestart = 0x0B;
constexpr uint8_t cmdGetPanelLink = 0x0C;  // to the application
constexpr uint8_t cmdReadNext = 0x0C;      // to the bootloader
constexpr uint8_t cmdGetExtModule = 0x0D;
constexpr uint8_t cmdGetPanelStats = 0x0E;
constexpr uint8_t cmdGetExtModuleStats = 0x0F;
constexpr uint8_t cmdGetDacCorrection = 0x10;
constexpr uint8_t cmdSetDacCorrection = 0x11;
constexpr uint8_t cmdSaveDacCorrection = 0x12;
constexpr uint8_t cmdGetBosiVersion = 0x14;
constexpr uint8_t cmdGetPanelFwVersion = 0x15;
constexpr uint8_t cmdPrepareBosiUpdate = 0x16;
constexpr uint8_t cmdGetUpdateStatus = 0x17;
constexpr uint8_t cmdWriteBosiFirmware = 0x18;
constexpr uint8_t cmdPause = 0x19;
constexpr uint8_t cmdResume = 0x1A;
constexpr uint8_t cmdPreparePanelUpdate = 0x1C;
constexpr uint8_t cmdWritePanelFirmware = 0x1D;
constexpr uint8_t cmdFinishPanelUpdate = 0x1E;
constexpr uint8_t cmdFinishBosiUpdate = 0x1F;
constexpr uint8_t cmdPrepareExtModuleUpdate = 0x20;
constexpr uint8_t cmdWriteExtModuleFirmware = 0x21;
constexpr uint8_t cmdFinishExtModuleUpdate = 0x22;

// Timeouts in milliseconds; each applies to one read.
constexpr int kTimeoutDefault = 250;
constexpr int kTimeoutProbe = 10;               // the supervision probe's cmdIdentify
constexpr int kTimeoutLoaderData = 1550;        // per configuration or firmware data packet
constexpr int kTimeoutAccessoryData = 2500;     // per accessory image piece
constexpr int kTimeoutPreparePanel = 2000;      // cmdPreparePanelUpdate
constexpr int kTimeoutPanelStatus = 500;        // cmdGetUpdateStatus after preparing a panel
constexpr int kTimeoutStatusPollFramed = 1500;  // status after a piece, framed links
constexpr int kTimeoutStatusPollLegacy = 1000;  // unrequested status packet on itHID_OLD

// Pauses in milliseconds.
constexpr int kPauseAfterBosiFinish = 3000;   // the module restarts after a BOSI update
constexpr int kPauseAccessorySettle = 1000;   // around finishing a panel/ext. module update
constexpr int kPauseAfterPanelPrepare = 500;  // before asking a panel's status
constexpr int kPauseAfterDacSave = 300;       // the module stores its corrections
constexpr int kPauseStatusPoll = 10;          // between status polls that returned 0

// Which program of the module understands a command.
enum TCommandSide : uint8_t {
  csBoth,
  csApplication,
  csBootloader,
};

// The link operation that carries a command.
enum TCommandOp : uint8_t {
  coCheckModule,       // Transact inside CheckModule
  coTransact,          // one command, one reply
  coReadData,          // the command precedes every data chunk
  coSendOnly,          // SendCommand; nothing is awaited
  coTransactThenData,  // Transact announcing a length, then WriteData pieces
  coReadNext,          // sent by ReadData per chunk, no payload
};

// Sizes of one layout. kSizeVaries: the size is given by the call (bus words, chunks).
constexpr int kSizeVaries = -1;
struct TCommandLayout {
  int payload;     // command payload bytes
  int payloadAlt;  // the other accepted payload size; equal to payload when there is one
  int reply;       // reply payload or data bytes
};

struct TCommandInfo {
  uint8_t code;
  const char* name;
  TCommandSide side;
  TCommandOp op;
  TCommandLayout legacy;  // itHID_OLD
  TCommandLayout framed;  // itHID_NEW, itUDP
  int timeout;            // of the command's own reply; 0 when nothing is awaited
  int dataTimeout;        // per data packet written after it; 0 when none follow
  bool legacyOnly;        // only a first-generation module answers it
};

// Every command the system uses, in code order.
std::span<const TCommandInfo> CommandTable();

// The entry for code as the given side understands it; csBoth matches either side, and
// a side-specific lookup also finds commands both sides answer. nullptr when unknown.
const TCommandInfo* FindCommand(uint8_t code, TCommandSide side);

// The command's name for logs, or "cmd?" when the code is not used.
const char* CommandName(uint8_t code, TCommandSide side);

}  // namespace karvelm
