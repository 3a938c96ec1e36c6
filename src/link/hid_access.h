// A module that is plugged in but whose HID device this user may not open: on Linux the
// udev rule is missing. Both programs say so, with the fix, instead of "not connected".
#pragma once

#include <string>

namespace karvelm {

// The status panel's state text for it.
inline constexpr const char* kStatusNoAccess = "нет доступа";
inline constexpr const char* kNoAccessCaption = "Нет доступа к модулю";

// What the user is told: the device, the reason and the fix.
std::string NoAccessText(const std::string& devicePath);

// The device of the open link's module that may not be opened; empty when there is no such
// device, the link is connected or it is not a USB link.
std::string DeniedModuleDevice();

}  // namespace karvelm
