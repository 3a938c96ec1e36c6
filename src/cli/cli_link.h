// Opening the link the options name, and bringing the module into the program a command needs.
#pragma once

#include <string>

#include "cli/cli_context.h"

namespace karvelm::cli {

inline constexpr const char* kNoLoaderText = "the bootloader does not answer";

// Opens ActiveLink for the options; closes it when the object goes. On failure Ok() is
// false and Error() holds the reason (the system's own text where it has one).
class TCliLink {
 public:
  explicit TCliLink(const TCliOptions& options);
  ~TCliLink();
  TCliLink(const TCliLink&) = delete;
  TCliLink& operator=(const TCliLink&) = delete;

  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  // The application identity for the open link kind.
  uint16_t DevId() const { return devId_; }
  bool IsUsb() const { return kind_ != itUDP; }

  // USB kinds: opens the link again, so the module's HID device is found by enumeration.
  // A module that restarts leaves the bus and comes back as a new device, and the old handle
  // stays dead when no hot-plug notice reaches the link. Nothing on UDP.
  void Refind();

 private:
  void Open();

  const TCliOptions& options_;
  TIntfType kind_;
  bool ok_ = false;
  std::string error_;
  uint16_t devId_;
};

// Takes the USB link's pending hot-plug events (a module that restarts leaves the bus and
// comes back); nothing on the other kinds.
void HandleDeviceEvents();

// The firmware answers cmdIdentify with DevId (250 ms).
bool FirmwareAnswers(const TCliLink& link);
// The bootloader answers cmdIdentify (250 ms).
bool BootloaderAnswers();

// How often cmdEnterLoader may be sent again while waiting for the bootloader: the module's
// restart time. A firmware that still answers after that took no notice of the last one
// (it was still starting, say); sooner, it may just not have gone down yet.
constexpr int kEnterLoaderRepeatMs = 1000;
// Pause between bootloader probes while waiting.
constexpr int kLoaderPollMs = 100;

// For commands that need the bootloader: if it answers, done; else until it answers or
// waitSeconds run out: whenever the firmware answers (at most every kEnterLoaderRepeatMs)
// send cmdEnterLoader, and on USB find the device again after probes nobody answered.
bool EnsureBootloader(TCliLink& link, double waitSeconds);

// cmdRestart, sent only when the bootloader answers first (250 ms), as every restart is.
bool RestartFromLoader();

}  // namespace karvelm::cli
