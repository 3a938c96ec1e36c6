#include "link/usb_detector.h"

namespace karvelm {

TUSBDetector::TUSBDetector() : FClassGUID(kHidInterfaceClass) {
  RegisterNotification();
}

TUSBDetector::~TUSBDetector() {
  UnregisterNotification();
}

void TUSBDetector::SetClassGUID(const TDeviceClass& value) {
  if (value == FClassGUID) return;
  FClassGUID = value;
  UnregisterNotification();
  RegisterNotification();
}

int TUSBDetector::Descriptor() const {
  return FNotifyHandle ? FNotifyHandle->Descriptor() : -1;
}

void TUSBDetector::HandlePending() {
  if (!FNotifyHandle) return;
  std::exception_ptr first;
  for (const THidDeviceEvent& event : FNotifyHandle->TakePending()) {
    try {
      HandleDeviceChange(event);
    } catch (...) {
      if (OnError)
        OnError(std::current_exception());
      else if (!first)
        first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

void TUSBDetector::RegisterNotification() {
  FNotifyHandle = HidBackend().Monitor(FClassGUID);
}

void TUSBDetector::UnregisterNotification() {
  FNotifyHandle.reset();
}

void TUSBDetector::HandleDeviceChange(const THidDeviceEvent& event) {
  // Notifications of other classes (volumes, ports) may reach any registration; only the
  // watched class counts.
  if (event.deviceClass != FClassGUID || !FOnChange) return;
  if (event.kind == hekArrival)
    FOnChange(doInsert);
  else if (event.kind == hekRemoval)
    FOnChange(doRemove);
}

}  // namespace karvelm
