#include "link/commands_accessory.h"

#include <algorithm>

#include "base/clock.h"
#include "link/commands_codec.h"
#include "link/module_commands_internal.h"
#include "link/transactions.h"

namespace karvelm {

using detail::Command;
using detail::QueryWord;

bool GetUpdateStatus(uint32_t& status, int timeout) {
  return QueryWord(cmdGetUpdateStatus, timeout, status);
}

bool PollUpdateStatus(uint32_t& status) {
  if (!IsLegacyLink()) return GetUpdateStatus(status, kTimeoutStatusPollFramed);
  uint8_t data[kVersionReplySize] = {};
  return ReadData(0, nullptr, 0, data, kVersionReplySize, kTimeoutStatusPollLegacy) &&
         DecodeVersion(data, kVersionReplySize, status);
}

bool WaitForUpdateTarget() {
  for (int poll = 0; poll < kMaxZeroStatusPolls; ++poll) {
    uint32_t status = 0;
    if (!PollUpdateStatus(status)) return false;
    if (status != 0) return true;
    Clock().SleepMs(kPauseStatusPoll);
  }
  return false;
}

namespace {

// A status exchange that fails counts as "not ready".
uint32_t StatusOrZero(int timeout) {
  uint32_t status = 0;
  return GetUpdateStatus(status, timeout) ? status : 0;
}

}  // namespace

bool PrepareBosiUpdate() {
  Pause();
  uint32_t status = 0;
  for (int attempt = 0; attempt < 2 && status == 0; ++attempt) {
    Command(cmdPrepareBosiUpdate, {}, kTimeoutDefault);
    status = StatusOrZero(kTimeoutDefault);
  }
  return status != 0;
}

bool PreparePanelUpdate() {
  Pause();
  uint32_t status = 0;
  for (int attempt = 0; attempt < 2 && status == 0; ++attempt) {
    Command(cmdPreparePanelUpdate, {}, kTimeoutPreparePanel);
    Clock().SleepMs(kPauseAfterPanelPrepare);
    status = StatusOrZero(kTimeoutPanelStatus);
  }
  return status != 0;
}

bool PrepareExtModuleUpdate(uint32_t netAddress) {
  Pause();
  uint32_t status = 0;
  for (int attempt = 0; attempt < 2 && status == 0; ++attempt) {
    Command(cmdPrepareExtModuleUpdate, EncodePrepareExtModuleUpdate(netAddress), kTimeoutDefault);
    status = StatusOrZero(kTimeoutDefault);
  }
  return status != 0;
}

bool SendAccessoryImage(uint8_t lengthCommand, const uint8_t* image, uint32_t size,
                        const TTransferProgress& progress) {
  if (size == 0 || !image) return false;
  if (!Command(lengthCommand, EncodeLength32(size), kTimeoutDefault)) return false;
  for (uint32_t sent = 0; sent < size;) {
    const uint32_t piece = std::min(kAccessoryPieceSize, size - sent);
    if (!WriteData(image + sent, static_cast<int>(piece), kTimeoutAccessoryData)) return false;
    if (!WaitForUpdateTarget()) return false;
    sent += piece;
    if (progress) progress(sent, size);
  }
  return true;
}

bool FinishBosiUpdate() {
  const bool finished = Command(cmdFinishBosiUpdate, {}, kTimeoutDefault);
  Clock().SleepMs(kPauseAfterBosiFinish);
  return finished;
}

namespace {

bool FinishThroughApplication(uint8_t finishCommand) {
  Clock().SleepMs(kPauseAccessorySettle);
  if (!ProbeFirmware(kTimeoutDefault)) return false;
  const bool finished = Command(finishCommand, {}, kTimeoutDefault);
  Clock().SleepMs(kPauseAccessorySettle);
  const bool resumed = Resume();
  return finished && resumed;
}

}  // namespace

bool FinishPanelUpdate() {
  return FinishThroughApplication(cmdFinishPanelUpdate);
}

bool FinishExtModuleUpdate() {
  const bool finished = FinishThroughApplication(cmdFinishExtModuleUpdate);
  Clock().SleepMs(kPauseAccessorySettle);
  return finished;
}

}  // namespace karvelm
