// Finding the module among the present HID devices and moving feature reports with it,
// through the installed HID backend.
#pragma once

#include <cstdint>
#include <string>

#include "link/hid_backend.h"

namespace karvelm {

// What a search saw besides the handle it returns.
struct THidSearch {
  // A device listed with the wanted identifiers that the platform refused to open for lack
  // of rights; empty when there was none or another matching device opened.
  std::string deniedPath;
};

// The first present HID device, in enumeration order, whose vendor and product ID both
// match; kInvalidHidHandle when none does.
THidHandle FindHidDevice(uint16_t VendorID, uint16_t ProductID, THidSearch* search = nullptr);

// One feature report each way; byte 0 is the report ID (for HidGetReport the wanted ID, put
// there by the caller; the report arrives in place). False on the invalid handle without
// asking the platform.
bool HidSetReport(THidHandle handle, const uint8_t* report, int size);
bool HidGetReport(THidHandle handle, uint8_t* report, int size, int* received = nullptr);

void HidCloseDevice(THidHandle handle);

}  // namespace karvelm
