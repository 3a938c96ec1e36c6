// The platform side of the USB kinds: HID device enumeration, feature reports and the
// device-change notifications. The system's backend is hidapi (hidraw) with a udev monitor;
// tests install a fake one, so nothing above this seam needs hardware.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace karvelm {

// An open HID device; all bits set when none is open.
using THidHandle = intptr_t;
constexpr THidHandle kInvalidHidHandle = -1;

// The class of devices a notification registration watches (the udev subsystem).
using TDeviceClass = std::string;
// Every HID device appears in this class, one entry per HID interface.
inline const TDeviceClass kHidInterfaceClass = "hidraw";

struct THidAttributes {
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
};

// One present HID interface as enumeration reports it. The identifiers are those the
// enumeration could learn without opening the device; 0 and 0 when it could not.
struct THidDeviceInfo {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};

// Why Open gave no handle. A device the user may not open is worth telling apart: the fix is
// on the system's side (a udev rule), not a missing module.
enum THidOpenError : int {
  hoeNone = 0,    // the last open succeeded
  hoeDenied = 1,  // refused for lack of rights
  hoeOther = 2,   // gone, busy, not a HID device, ...
};

enum THidEventKind : int {
  hekArrival = 0,  // a device of the class appeared
  hekRemoval = 1,  // a device of the class is gone
  hekOther = 2,    // anything else the platform reports (property changes, driver binding)
};

struct THidDeviceEvent {
  THidEventKind kind = hekOther;
  TDeviceClass deviceClass;  // the class the device belongs to ("hidraw", "block", "tty", ...)
};

// A registration for device-change notifications. Events queue up in the platform until
// TakePending; Descriptor becomes readable while some are waiting, so the user-interface
// loop can watch it and handle them between link operations.
class THidMonitor {
 public:
  virtual ~THidMonitor() = default;
  virtual int Descriptor() const = 0;
  virtual std::vector<THidDeviceEvent> TakePending() = 0;
};

class THidBackend {
 public:
  virtual ~THidBackend() = default;

  // Binds the HID library; false when it cannot be used. Release undoes it.
  virtual bool Bind() = 0;
  virtual void Release() = 0;
  // True when the library is bound or can be bound now.
  virtual bool Available() = 0;

  // The present HID interfaces in enumeration order; none when the set cannot be had.
  virtual std::optional<std::vector<THidDeviceInfo>> Enumerate() = 0;
  virtual THidHandle Open(const std::string& path) = 0;
  // Why the last Open failed (hoeNone after one that succeeded).
  virtual THidOpenError LastOpenError() const = 0;
  virtual void Close(THidHandle handle) = 0;
  virtual bool GetAttributes(THidHandle handle, THidAttributes& attributes) = 0;
  // Byte 0 is the report ID. GetFeature reports the bytes stored in received.
  virtual bool SetFeature(THidHandle handle, const uint8_t* report, int size) = 0;
  virtual bool GetFeature(THidHandle handle, uint8_t* report, int size, int* received) = 0;

  // Starts notifications for the class; nullptr when the platform refuses.
  virtual std::unique_ptr<THidMonitor> Monitor(const TDeviceClass& deviceClass) = 0;
};

// The backend the process uses: hidapi unless a test installs another.
THidBackend& HidBackend();
void SetHidBackend(THidBackend* backend);  // nullptr restores the system backend
// The hidapi/udev backend itself, whichever is installed.
THidBackend& SystemHidBackend();
// The system backend's reading of a failed open: errno from the open when it says so, else
// whether the node grants this user reading and writing.
THidOpenError ClassifyHidOpenFailure(int openErrno, const std::string& path);

// Done once at start and once at exit. The start-up does not look at the result: a USB link
// opened without the library fails with an error of its own.
bool BindHidLibrary();
void ReleaseHidLibrary();

}  // namespace karvelm
