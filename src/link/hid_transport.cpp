#include "link/hid_transport.h"

#include "link/hid_device.h"
#include "link/link_error.h"
#include "link/usb_detector.h"

namespace karvelm {

namespace {

class THidTransport final : public TLinkTransport {
 public:
  THidTransport(uint16_t VID, uint16_t PID) {
    // Without the library there would be no device and no hot-plug ever; say so now rather
    // than leave a link that can never connect.
    if (!HidBackend().Available()) throw TOSError(kHidLibraryUnavailable);
    FUSBDetect = std::make_unique<TUSBDetector>();
    SetDeviceIDs(VID, PID);
  }

  ~THidTransport() override {
    FUSBDetect.reset();  // no notification may arrive for a half-destroyed link
    CloseDevice();
  }

  THidTransport(const THidTransport&) = delete;
  THidTransport& operator=(const THidTransport&) = delete;

  bool Connected() const override { return FConnected; }

  bool Write(const uint8_t* report, int size) override {
    return HidSetReport(FHIDHandle, report, size);
  }

  // The report ID is already in byte 0; a feature request completes or fails on its own, so
  // timeout is not used.
  bool Read(uint8_t* report, int size, int, int* received) override {
    return HidGetReport(FHIDHandle, report, size, received);
  }

  TUSBDetector* Detector() override { return FUSBDetect.get(); }

  std::string DeniedDevice() const override { return FConnected ? std::string() : FDeniedPath; }

  // For a caller without an event loop, after the module may have left the bus (a restart
  // re-enumerates it). The open handle is not trusted even while the link looks connected:
  // its device may be gone, or back under the same path as a new device. The waiting
  // notifications are taken first, as they would only repeat this search.
  bool Reopen() override {
    FUSBDetect->HandlePending();
    DeviceChange(doInsert);
    return FConnected;
  }

 private:
  void SetDeviceIDs(uint16_t VID, uint16_t PID) {
    FVID = VID;
    FPID = PID;
    DeviceChange(doInsert);
    FUSBDetect->SetOnChange([this](TDeviceOperation Operation) { DeviceChange(Operation); });
  }

  bool OpenDevice(uint16_t VID, uint16_t PID) {
    THidSearch search;
    FHIDHandle = FindHidDevice(VID, PID, &search);
    FDeniedPath = search.deniedPath;
    return FHIDHandle != kInvalidHidHandle;
  }

  void CloseDevice() {
    if (FHIDHandle == kInvalidHidHandle) return;
    HidCloseDevice(FHIDHandle);
    FHIDHandle = kInvalidHidHandle;
  }

  // Any HID device arriving may be the module: look again. Any removal may have been the
  // module; the notification does not say which, so the link waits for the next arrival.
  // A module refused for lack of rights is looked for again on any removal too, so that its
  // unplugging clears the reason shown.
  void DeviceChange(TDeviceOperation Operation) {
    CloseDevice();
    const bool look = Operation == doInsert || !FDeniedPath.empty();
    FDeniedPath.clear();
    FConnected = look && OpenDevice(FVID, FPID);
  }

  std::unique_ptr<TUSBDetector> FUSBDetect;
  uint16_t FVID = 0;
  uint16_t FPID = 0;
  THidHandle FHIDHandle = kInvalidHidHandle;
  bool FConnected = false;
  std::string FDeniedPath;
};

}  // namespace

std::unique_ptr<TLinkTransport> MakeHidTransport(TIntfType, uint16_t VID, uint16_t PID) {
  return std::make_unique<THidTransport>(VID, PID);
}

}  // namespace karvelm
