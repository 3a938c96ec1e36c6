// The steps of updating an attached device (BOSI link, control panel, external module)
// through the running application. The page composes them with its questions and messages:
// prepare, then the transfer only when the target became ready, then finish in every case.
#pragma once

#include <cstdint>

#include "link/module_commands.h"

namespace karvelm {

// The image goes in pieces of this size on every link kind.
constexpr uint32_t kAccessoryPieceSize = 64;
// A target that keeps reporting "not ready" after a piece fails the transfer after this many
// polls (at least 10 s with the pauses between them), so the update cannot hang forever.
constexpr int kMaxZeroStatusPolls = 1000;

// cmdGetUpdateStatus; 0 = the target is not (yet) ready.
bool GetUpdateStatus(uint32_t& status, int timeout = kTimeoutDefault);
// The status after a piece: asked for with cmdGetUpdateStatus on the framed links; on
// itHID_OLD the module sends it unasked as a 4-byte data packet.
bool PollUpdateStatus(uint32_t& status);
// Polls until the status is not 0, pausing kPauseStatusPoll after each 0. False on a failed
// poll, or after kMaxZeroStatusPolls polls that all returned 0.
bool WaitForUpdateTarget();

// cmdPause, then the target's prepare command and its status, both once more when the status
// was 0. True when the last status was not 0. Failures of the single commands only show in
// the status, as the module reports readiness there.
bool PrepareBosiUpdate();
bool PreparePanelUpdate();
bool PrepareExtModuleUpdate(uint32_t netAddress);

// lengthCommand (cmdWriteBosiFirmware, cmdWritePanelFirmware, cmdWriteExtModuleFirmware)
// announces size, then the image goes in kAccessoryPieceSize pieces, each acknowledged
// within kTimeoutAccessoryData and followed by WaitForUpdateTarget. True when every byte was
// taken; an empty image is refused without traffic.
bool SendAccessoryImage(uint8_t lengthCommand, const uint8_t* image, uint32_t size,
                        const TTransferProgress& progress = {});

// cmdFinishBosiUpdate, then kPauseAfterBosiFinish while the module restarts. The result is
// the command's.
bool FinishBosiUpdate();
// kPauseAccessorySettle; if the application still answers: the finish command,
// kPauseAccessorySettle, cmdResume. True when the application answered and both succeeded.
bool FinishPanelUpdate();
// As FinishPanelUpdate, then one more kPauseAccessorySettle before the page is refreshed.
bool FinishExtModuleUpdate();

}  // namespace karvelm
