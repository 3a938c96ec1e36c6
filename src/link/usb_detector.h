// Tells its owner when any device of the watched class (every HID device by default) arrives
// or is removed. The notifications wait in the platform until the user-interface loop, which
// watches Descriptor, calls HandlePending between link operations; so a handler never runs in
// the middle of a transfer.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "link/hid_backend.h"

namespace karvelm {

enum TDeviceOperation : int { doInsert = 0, doRemove = 1 };
using TDeviceChangeEvent = std::function<void(TDeviceOperation Operation)>;

class TUSBDetector {
 public:
  // Watches the HID interface class from creation on.
  TUSBDetector();
  ~TUSBDetector();
  TUSBDetector(const TUSBDetector&) = delete;
  TUSBDetector& operator=(const TUSBDetector&) = delete;

  const TDeviceChangeEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TDeviceChangeEvent handler) { FOnChange = std::move(handler); }

  const TDeviceClass& ClassGUID() const { return FClassGUID; }
  // Registers again only when the class differs; Descriptor may then change.
  void SetClassGUID(const TDeviceClass& value);

  // Readable while notifications wait; -1 when the platform gave no registration (the link
  // then works without hot-plug).
  int Descriptor() const;
  // Turns the waiting notifications into OnChange calls.
  void HandlePending();

  // Where an exception raised by OnChange goes; the remaining notifications are still
  // handled. Unassigned, the first such exception leaves HandlePending after them, to reach
  // the application's general handler.
  std::function<void(std::exception_ptr)> OnError;

 private:
  void RegisterNotification();
  void UnregisterNotification();
  void HandleDeviceChange(const THidDeviceEvent& event);

  std::unique_ptr<THidMonitor> FNotifyHandle;
  TDeviceChangeEvent FOnChange;
  TDeviceClass FClassGUID;
};

}  // namespace karvelm
