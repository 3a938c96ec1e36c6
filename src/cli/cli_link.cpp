#include "cli/cli_link.h"

#include <exception>
#include <optional>

#include "base/clock.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/module_commands.h"
#include "link/transactions.h"
#include "link/usb_detector.h"

namespace karvelm::cli {

TCliLink::TCliLink(const TCliOptions& options)
    : options_(options), kind_(options.link), devId_(FirmwareIdFor(options.link)) {
  Open();
}

TCliLink::~TCliLink() {
  CloseLink();
}

void TCliLink::Open() {
  try {
    if (kind_ == itUDP)
      OpenLink(itUDP, options_.ip, options_.port, options_.localPort);
    else
      OpenLink(kind_, kModuleVendorId, kind_ == itHID_OLD ? kProductIdOld : kProductIdNew);
    ok_ = true;
    error_.clear();
  } catch (const std::exception& error) {
    ok_ = false;
    error_ = error.what();
  }
}

void TCliLink::Refind() {
  if (!IsUsb()) return;
  CloseLink();
  Open();
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

bool EnsureBootloader(TCliLink& link, double waitSeconds) {
  if (BootloaderAnswers()) return true;
  TClock& clock = Clock();
  const uint64_t deadline = clock.NowMs() + static_cast<uint64_t>(waitSeconds * 1000);
  std::optional<uint64_t> lastEnter;
  for (bool first = true;; first = false) {
    if (!first) {
      if (BootloaderAnswers()) return true;
      if (clock.NowMs() >= deadline) return false;
    }
    const uint64_t now = clock.NowMs();
    bool heard = false;
    if (!lastEnter || now - *lastEnter >= kEnterLoaderRepeatMs) {
      heard = FirmwareAnswers(link);
      if (heard) {
        EnterLoader();
        lastEnter = now;
      }
    }
    if (!heard) link.Refind();
    clock.SleepMs(kLoaderPollMs);
  }
}

bool RestartFromLoader() {
  return BootloaderAnswers() && Restart();
}

}  // namespace karvelm::cli
