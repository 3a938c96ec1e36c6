// The link object: owns the transport of its kind and moves one report or datagram per call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/intf_type.h"
#include "link/transport.h"

namespace karvelm {

class TExtIntf {
 public:
  // USB link object (itHID_OLD, itHID_NEW); searches the device at once. With itUDP it
  // makes a socket for the default module address that is not Connected.
  TExtIntf(TIntfType intf, uint16_t VID, uint16_t PID);
  // UDP link object; Connected as soon as the socket exists. The USB kinds look for the
  // first-generation module. localPort exists for the CLI and tests; the GUI keeps 30000.
  TExtIntf(TIntfType intf, const std::string& IPAddress, uint16_t Port,
           uint16_t localPort = kDefaultLocalPort);
  // A link of the given kind over a ready transport (the simulator, a scripted fake).
  TExtIntf(TIntfType intf, std::unique_ptr<TLinkTransport> transport);
  ~TExtIntf();
  TExtIntf(const TExtIntf&) = delete;
  TExtIntf& operator=(const TExtIntf&) = delete;

  TIntfType IntfType() const { return FIntfType; }
  bool Connected() const;

  // Both refuse without touching the transport while the link is not Connected.
  bool Write(const uint8_t* Report, int Size);
  bool Read(uint8_t* Report, int Size, int timeout, int* received = nullptr);

  // Finds the USB module again without waiting for a hot-plug notification, for a caller
  // that polls (the CLI) after a restart took the module off the bus: drops the device handle
  // and searches anew. True when the link is then Connected; on itUDP only says Connected.
  bool ReopenDevice();

  TLinkTransport& Transport() { return *FTransport; }

 private:
  TIntfType FIntfType;
  bool FConnected = false;  // the UDP kinds' flag; USB transports track their own
  std::unique_ptr<TLinkTransport> FTransport;
};

// The one link of the process, or none.
extern std::unique_ptr<TExtIntf> ActiveLink;

// Each form makes a link object and stores it in ActiveLink. A link still open is closed
// first, so its port and device handle are released. If the constructor throws, ActiveLink
// stays none and the error reaches the caller.
void OpenLink(TIntfType intf, uint16_t VID, uint16_t PID);
void OpenLink(TIntfType intf, const std::string& IPAddress, uint16_t Port,
              uint16_t localPort = kDefaultLocalPort);
void OpenLink(std::unique_ptr<TExtIntf> link);
void CloseLink();

}  // namespace karvelm
