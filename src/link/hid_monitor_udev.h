// Device-change notifications from the udev monitor socket, for one subsystem.
#pragma once

#include <memory>

#include "link/hid_backend.h"

namespace karvelm {

// nullptr when udev cannot be reached (no netlink in a container, for example).
std::unique_ptr<THidMonitor> MakeUdevMonitor(const TDeviceClass& deviceClass);

}  // namespace karvelm
