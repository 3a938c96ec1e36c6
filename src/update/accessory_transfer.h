// Streaming an image to an attached device through the running module: the length
// command, then 64-byte pieces, each acknowledged and followed by a wait until the module
// reports that the target has taken it.
#pragma once

#include <cstdint>

#include "update/firmware_image.h"
#include "update/update_hooks.h"

namespace karvelm {

// A target that keeps reporting "not ready" this long after a piece has failed: the status
// wait must end in bounded time even when every status exchange succeeds.
constexpr uint64_t kStatusWaitLimitMs = 30000;

enum TTargetWait : int {
  twReady,     // a status other than 0
  twFailed,    // a status exchange failed
  twTimedOut,  // status 0 for kStatusWaitLimitMs
};

// Polls the status until it is not 0 (PollUpdateStatus: cmdGetUpdateStatus on the framed
// links, an unrequested data packet on itHID_OLD), pausing kPauseStatusPoll after each 0.
TTargetWait WaitForTargetReady();

enum TAccessoryTransferOutcome : int {
  atDone,
  atNotConnected,          // the last firmware probe had failed; nothing sent
  atEmptyImage,            // nothing to send; nothing sent
  atNotAnnounced,          // the length command failed
  atPieceNotAcknowledged,  // a piece was not acknowledged
  atStatusFailed,          // a status exchange failed
  atNeverReady,            // the target stayed "not ready" after a piece
};

struct TAccessoryTransferResult {
  TAccessoryTransferOutcome outcome = atNotConnected;
  uint32_t sent = 0;  // bytes the target has taken
};

// lengthCommand: cmdWriteBosiFirmware, cmdWritePanelFirmware or cmdWriteExtModuleFirmware.
// firmwareConnected: the result of the last firmware probe (no new probe is made). Shows
// ProgressBar1 during the transfer and "Ошибка обновления" when it did not complete.
TAccessoryTransferResult TransferAccessoryImage(const TFirmwareImage& image, uint8_t lengthCommand,
                                                bool firmwareConnected, const TUpdateHooks& hooks);

}  // namespace karvelm
