// What the link object needs of the thing that moves its reports or datagrams: a UDP
// socket, a HID device, the in-process module simulator or a scripted fake in tests.
#pragma once

#include <cstdint>
#include <string>

namespace karvelm {

class TUSBDetector;

class TLinkTransport {
 public:
  virtual ~TLinkTransport() = default;

  // True when the transport can carry traffic.
  virtual bool Connected() const = 0;

  // Hands the first size bytes of report to the link as one feature report or datagram.
  virtual bool Write(const uint8_t* report, int size) = 0;

  // Fills report with up to size bytes of the next feature report or datagram. On the USB
  // kinds byte 0 holds the wanted report ID before the call and timeout is not used. When
  // received is given it gets the number of bytes actually stored in report.
  virtual bool Read(uint8_t* report, int size, int timeout, int* received) = 0;

  // The hot-plug detector of a USB transport, for the user-interface loop to watch.
  virtual TUSBDetector* Detector() { return nullptr; }

  // Looks for the device again now (USB transports); true when the transport is then
  // connected. Others have nothing to look for.
  virtual bool Reopen() { return Connected(); }

  // USB transports that are not connected: the path of the module's device that is present
  // but may not be opened by this user; empty otherwise.
  virtual std::string DeniedDevice() const { return {}; }
};

}  // namespace karvelm
