#include "link/hid_monitor_udev.h"

#include <libudev.h>

#include <cstring>

namespace karvelm {

namespace {

class TUdevMonitor final : public THidMonitor {
 public:
  TUdevMonitor(udev* context, udev_monitor* monitor) : FUdev(context), FMonitor(monitor) {}
  ~TUdevMonitor() override {
    udev_monitor_unref(FMonitor);
    udev_unref(FUdev);
  }
  TUdevMonitor(const TUdevMonitor&) = delete;
  TUdevMonitor& operator=(const TUdevMonitor&) = delete;

  int Descriptor() const override { return udev_monitor_get_fd(FMonitor); }

  // The socket is non-blocking: this takes what has arrived and returns.
  std::vector<THidDeviceEvent> TakePending() override {
    std::vector<THidDeviceEvent> events;
    while (udev_device* device = udev_monitor_receive_device(FMonitor)) {
      THidDeviceEvent event;
      const char* action = udev_device_get_action(device);
      if (action && std::strcmp(action, "add") == 0)
        event.kind = hekArrival;
      else if (action && std::strcmp(action, "remove") == 0)
        event.kind = hekRemoval;
      const char* subsystem = udev_device_get_subsystem(device);
      if (subsystem) event.deviceClass = subsystem;
      events.push_back(std::move(event));
      udev_device_unref(device);
    }
    return events;
  }

 private:
  udev* FUdev;
  udev_monitor* FMonitor;
};

}  // namespace

std::unique_ptr<THidMonitor> MakeUdevMonitor(const TDeviceClass& deviceClass) {
  udev* context = udev_new();
  if (!context) return nullptr;
  // The "udev" source reports a device after its rules ran, so its node already carries the
  // permissions the rules gave it when the link opens it.
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (!monitor) {
    udev_unref(context);
    return nullptr;
  }
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, deviceClass.c_str(), nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<TUdevMonitor>(context, monitor);
}

}  // namespace karvelm
