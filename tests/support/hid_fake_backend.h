// A HID backend in memory: devices that come and go, feature reports handed to a responder,
// notifications of any device class, and a record of every platform call, so tests can
// check which devices were opened and closed and what the module received.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/hid_backend.h"

namespace karvelm::testing {

using HidBytes = std::vector<uint8_t>;

struct TFakeHidDevice {
  std::string path;
  uint16_t vendorId = 0;  // what the open device reports
  uint16_t productId = 0;
  bool listsIds = true;  // enumeration reports the identifiers without opening
  bool openable = true;
  bool accessDenied = false;  // listed, but opening is refused for lack of rights
  // The device end of the feature reports; unset, a device accepts writes and fails reads.
  std::function<bool(const uint8_t* report, int size)> onSetFeature;
  std::function<bool(uint8_t* report, int size, int* received)> onGetFeature;
  std::vector<HidBytes> setReports;  // every report written to it, at the size handed over
  struct TGet {
    uint8_t reportId;
    int size;
  };
  std::vector<TGet> getRequests;
};

using TFakeHidDevicePtr = std::shared_ptr<TFakeHidDevice>;

TFakeHidDevicePtr MakeFakeHidDevice(const std::string& path, uint16_t vendorId, uint16_t productId);
// A keyboard of another vendor: a HID device that is never the module.
TFakeHidDevicePtr MakeFakeKeyboard(const std::string& path = "/dev/hidraw-kbd");
// The module's device as a user without the udev rule sees it: listed with its identifiers,
// but not to be opened.
TFakeHidDevicePtr MakeDeniedFakeHidDevice(const std::string& path, uint16_t vendorId,
                                          uint16_t productId);

class TFakeHidBackend final : public THidBackend {
 public:
  TFakeHidBackend();
  ~TFakeHidBackend() override;

  bool available = true;          // the library can be bound
  bool enumerationFails = false;  // the device set cannot be had
  bool monitorRefused = false;    // the platform gives no notification registration

  // Present devices, in enumeration order.
  std::vector<TFakeHidDevicePtr> present;

  // Every platform call in order: "open <path>", "close <path>", "monitor+ <class>",
  // "monitor- <class>", "set <path>", "get <path>".
  std::vector<std::string> log;
  int binds = 0;
  int releases = 0;
  int featureCalls = 0;

  // Hot-plug: the device list changes and every live registration is told (a HID device is
  // of class "hidraw").
  void Plug(const TFakeHidDevicePtr& device);
  void Unplug(const TFakeHidDevicePtr& device);
  // A notification of any kind and class without a change of the HID devices (a volume).
  void Notify(THidEventKind kind, const TDeviceClass& deviceClass);

  // Handles open now, and the devices they belong to.
  int OpenCount() const { return static_cast<int>(FOpen.size()); }
  bool IsOpen(const TFakeHidDevicePtr& device) const;
  int LiveMonitors() const { return static_cast<int>(FMonitors.size()); }
  int MonitorsMade() const { return FMonitorsMade; }
  int Count(const std::string& entry) const;

  bool Bind() override;
  void Release() override;
  bool Available() override { return available; }
  std::optional<std::vector<THidDeviceInfo>> Enumerate() override;
  THidHandle Open(const std::string& path) override;
  THidOpenError LastOpenError() const override { return FLastOpenError; }
  void Close(THidHandle handle) override;
  bool GetAttributes(THidHandle handle, THidAttributes& attributes) override;
  bool SetFeature(THidHandle handle, const uint8_t* report, int size) override;
  bool GetFeature(THidHandle handle, uint8_t* report, int size, int* received) override;
  std::unique_ptr<THidMonitor> Monitor(const TDeviceClass& deviceClass) override;

 private:
  class TFakeMonitor;
  friend class TFakeMonitor;

  // The device behind an open handle if it is still plugged in.
  TFakeHidDevicePtr PluggedDevice(THidHandle handle) const;

  std::map<THidHandle, TFakeHidDevicePtr> FOpen;
  std::vector<TFakeMonitor*> FMonitors;
  THidHandle FNextHandle = 100;
  THidOpenError FLastOpenError = hoeNone;
  int FMonitorsMade = 0;
};

// Installs a fake backend for the scope of a test and restores the system one afterwards.
class TFakeHidScope {
 public:
  TFakeHidScope();
  ~TFakeHidScope();
  TFakeHidScope(const TFakeHidScope&) = delete;
  TFakeHidScope& operator=(const TFakeHidScope&) = delete;
  TFakeHidBackend& backend() { return FBackend; }

 private:
  TFakeHidBackend FBackend;
};

}  // namespace karvelm::testing
