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

 private:
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

// For commands that need the bootloader: if it answers, done; else if the firmware answers,
// send cmdEnterLoader; then probe the bootloader until it answers or waitSeconds run out.
bool EnsureBootloader(const TCliLink& link, double waitSeconds);

}  // namespace karvelm::cli
