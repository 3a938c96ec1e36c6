// The system backend: hidapi over hidraw for devices and reports, udev for notifications.
#include <hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/hid_backend.h"
#include "link/hid_monitor_udev.h"

namespace karvelm {

namespace {

hid_device* Device(THidHandle handle) {
  return reinterpret_cast<hid_device*>(handle);
}

class TSystemHidBackend final : public THidBackend {
 public:
  bool Bind() override {
    if (!FBound) FBound = hid_init() == 0;
    return FBound;
  }

  void Release() override {
    if (FBound) hid_exit();
    FBound = false;
  }

  // A link opened before the start-up bound the library (the CLI, tests) binds it itself.
  bool Available() override { return Bind(); }

  std::optional<std::vector<THidDeviceInfo>> Enumerate() override {
    if (!Bind()) return std::nullopt;
    std::vector<THidDeviceInfo> devices;
    // hidapi gives no list at all both when nothing is present and when it fails; either
    // way no module can be found.
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* info = list; info; info = info->next) {
      if (!info->path) continue;
      devices.push_back({info->path, info->vendor_id, info->product_id});
    }
    hid_free_enumeration(list);
    return devices;
  }

  THidHandle Open(const std::string& path) override {
    errno = 0;
    hid_device* device = hid_open_path(path.c_str());
    const int openErrno = errno;
    FLastOpenError = device ? hoeNone : ClassifyHidOpenFailure(openErrno, path);
    return device ? reinterpret_cast<THidHandle>(device) : kInvalidHidHandle;
  }

  THidOpenError LastOpenError() const override { return FLastOpenError; }

  void Close(THidHandle handle) override {
    if (handle != kInvalidHidHandle) hid_close(Device(handle));
  }

  bool GetAttributes(THidHandle handle, THidAttributes& attributes) override {
    hid_device_info* info = hid_get_device_info(Device(handle));
    if (!info) return false;
    attributes = {info->vendor_id, info->product_id, info->release_number};
    return true;
  }

  bool SetFeature(THidHandle handle, const uint8_t* report, int size) override {
    return hid_send_feature_report(Device(handle), report, static_cast<size_t>(size)) >= 0;
  }

  bool GetFeature(THidHandle handle, uint8_t* report, int size, int* received) override {
    const int count = hid_get_feature_report(Device(handle), report, static_cast<size_t>(size));
    if (count < 0) return false;
    // A short report leaves no bytes of an earlier one behind in the caller's buffer.
    if (count < size) std::memset(report + count, 0, static_cast<size_t>(size - count));
    if (received) *received = count;
    return true;
  }

  std::unique_ptr<THidMonitor> Monitor(const TDeviceClass& deviceClass) override {
    return MakeUdevMonitor(deviceClass);
  }

 private:
  bool FBound = false;
  THidOpenError FLastOpenError = hoeNone;
};

}  // namespace

THidOpenError ClassifyHidOpenFailure(int openErrno, const std::string& path) {
  if (openErrno == EACCES || openErrno == EPERM) return hoeDenied;
  // hidapi may have overwritten errno while cleaning up; the node's mode still tells.
  if (access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM))
    return hoeDenied;
  return hoeOther;
}

THidBackend& SystemHidBackend() {
  static TSystemHidBackend backend;
  return backend;
}

}  // namespace karvelm
