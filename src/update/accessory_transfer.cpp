#include "update/accessory_transfer.h"

#include <algorithm>

#include "base/clock.h"
#include "link/commands.h"
#include "link/commands_accessory.h"
#include "link/commands_codec.h"
#include "link/transactions.h"
#include "update/update_texts.h"

namespace karvelm {

TTargetWait WaitForTargetReady() {
  const uint64_t start = Clock().NowMs();
  for (;;) {
    uint32_t status = 0;
    if (!PollUpdateStatus(status)) return twFailed;
    if (status != 0) return twReady;
    if (Clock().NowMs() - start >= kStatusWaitLimitMs) return twTimedOut;
    Clock().SleepMs(kPauseStatusPoll);
  }
}

namespace {

TAccessoryTransferResult SendPieces(const std::vector<uint8_t>& image, uint8_t lengthCommand,
                                    const TUpdateHooks& hooks) {
  TAccessoryTransferResult result;
  // An empty image has nothing to wait for; announcing it would leave the target prepared
  // for nothing.
  if (image.empty()) {
    result.outcome = atEmptyImage;
    return result;
  }
  detail::TProgressScope progress(hooks);
  const uint32_t size = static_cast<uint32_t>(image.size());
  const TCommandPayload length = EncodeLength32(size);
  if (!Transact(lengthCommand, length.data(), length.size, nullptr, 0, kTimeoutDefault)) {
    result.outcome = atNotAnnounced;
    return result;
  }
  while (result.sent < size) {
    const uint32_t piece = std::min(kAccessoryPieceSize, size - result.sent);
    if (!WriteData(image.data() + result.sent, static_cast<int>(piece), kTimeoutAccessoryData)) {
      result.outcome = atPieceNotAcknowledged;
      return result;
    }
    switch (WaitForTargetReady()) {
      case twReady:
        break;
      case twFailed:
        result.outcome = atStatusFailed;
        return result;
      case twTimedOut:
        result.outcome = atNeverReady;
        return result;
    }
    result.sent += piece;
    progress.Step(result.sent, size);
  }
  result.outcome = atDone;
  return result;
}

}  // namespace

TAccessoryTransferResult TransferAccessoryImage(const TFirmwareImage& image, uint8_t lengthCommand,
                                                bool firmwareConnected, const TUpdateHooks& hooks) {
  detail::Repaint(hooks);
  TAccessoryTransferResult result;
  {
    detail::TBusyScope busy(hooks);
    if (firmwareConnected) result = SendPieces(image.bytes, lengthCommand, hooks);
  }
  if (result.outcome != atDone) detail::Inform(hooks, kUpdateErrorText);
  return result;
}

}  // namespace karvelm
