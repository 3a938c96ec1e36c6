#include "link/hid_device.h"

namespace karvelm {

THidHandle FindHidDevice(uint16_t VendorID, uint16_t ProductID, THidSearch* search) {
  if (search) *search = {};
  std::string deniedPath;
  THidBackend& backend = HidBackend();
  const auto devices = backend.Enumerate();
  if (!devices) return kInvalidHidHandle;
  for (const THidDeviceInfo& info : *devices) {
    // Identifiers known from enumeration spare opening every keyboard and mouse; another
    // product of the same vendor is never opened. Unknown ones are checked on the open
    // device, as are known ones (the device may have changed since the list was made).
    const bool known = info.vendorId != 0 || info.productId != 0;
    if (known && (info.vendorId != VendorID || info.productId != ProductID)) continue;
    const THidHandle handle = backend.Open(info.path);
    if (handle == kInvalidHidHandle) {
      // Only a device listed as the module is reported: any keyboard's node may be closed
      // to the user too.
      if (known && deniedPath.empty() && backend.LastOpenError() == hoeDenied)
        deniedPath = info.path;
      continue;
    }
    THidAttributes attributes;
    if (backend.GetAttributes(handle, attributes) && attributes.VendorID == VendorID &&
        attributes.ProductID == ProductID)
      return handle;
    backend.Close(handle);
  }
  if (search) search->deniedPath = deniedPath;
  return kInvalidHidHandle;
}

bool HidSetReport(THidHandle handle, const uint8_t* report, int size) {
  if (handle == kInvalidHidHandle || !report || size <= 0) return false;
  return HidBackend().SetFeature(handle, report, size);
}

bool HidGetReport(THidHandle handle, uint8_t* report, int size, int* received) {
  if (received) *received = 0;
  if (handle == kInvalidHidHandle || !report || size <= 0) return false;
  return HidBackend().GetFeature(handle, report, size, received);
}

void HidCloseDevice(THidHandle handle) {
  if (handle != kInvalidHidHandle) HidBackend().Close(handle);
}

}  // namespace karvelm
