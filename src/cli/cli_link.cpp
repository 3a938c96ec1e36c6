#include "cli/cli_link.h"

#include <exception>

#include "base/clock.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/module_commands.h"
#include "link/transactions.h"
#include "link/usb_detector.h"

namespace karvelm::cli {

TCliLink::TCliLink(const TCliOptions& options) : devId_(FirmwareIdFor(options.link)) {
  try {
    if (options.link == itUDP)
      OpenLink(itUDP, options.ip, options.port, options.localPort);
    else
      OpenLink(options.link, kModuleVendorId,
               options.link == itHID_OLD ? kProductIdOld : kProductIdNew);
    ok_ = true;
  } catch (const std::exception& error) {
    error_ = error.what();
  }
}

TCliLink::~TCliLink() {
  CloseLink();
}

void HandleDeviceEvents() {
  if (!ActiveLink) return;
  if (TUSBDetector* detector = ActiveLink->Transport().Detector()) detector->HandlePending();
}

bool FirmwareAnswers(const TCliLink& link) {
  HandleDeviceEvents();
  return CheckModule(link.DevId(), kTimeoutDefault);
}

bool BootloaderAnswers() {
  HandleDeviceEvents();
  return CheckModule(LOADER_ID, kTimeoutDefault);
}

bool EnsureBootloader(const TCliLink& link, double waitSeconds) {
  if (BootloaderAnswers()) return true;
  if (FirmwareAnswers(link)) EnterLoader();
  TClock& clock = Clock();
  const uint64_t deadline = clock.NowMs() + static_cast<uint64_t>(waitSeconds * 1000);
  for (;;) {
    if (BootloaderAnswers()) return true;
    if (clock.NowMs() >= deadline) return false;
    clock.SleepMs(100);
  }
}

}  // namespace karvelm::cli
