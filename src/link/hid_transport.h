// The USB kinds' transport: the module's HID device found by vendor and product ID,
// feature reports, and the hot-plug handling that drops and re-finds it.
#pragma once

#include <cstdint>
#include <memory>

#include "link/intf_type.h"
#include "link/transport.h"

namespace karvelm {

// What opening a USB link says when the HID library cannot be used.
inline constexpr const char* kHidLibraryUnavailable = "Не удалось загрузить библиотеку HID.";

// Makes the transport of a USB link and searches the device at once; Detector() gives its
// hot-plug detector. Throws TOSError when the HID library cannot be used.
std::unique_ptr<TLinkTransport> MakeHidTransport(TIntfType intf, uint16_t VID, uint16_t PID);

}  // namespace karvelm
