// The Ethernet link's transport: one datagram per report over a connected UDP socket.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "link/socket_udp.h"
#include "link/transport.h"

namespace karvelm {

class TUdpTransport final : public TLinkTransport {
 public:
  // A transport made not connected keeps its socket but never sends or receives on it: the
  // link made for itUDP through the USB constructor form points at the default module
  // address and must not reach it.
  TUdpTransport(const std::string& ipAddress, uint16_t port, uint16_t localPort,
                bool connected = true)
      : FSocketUDP(ipAddress, port, localPort), FConnected(connected) {}

  bool Connected() const override { return FConnected && FSocketUDP.client() != 0; }
  bool Write(const uint8_t* report, int size) override {
    return Connected() && SendDatagram(FSocketUDP.client(), report, size);
  }
  bool Read(uint8_t* report, int size, int timeout, int* received) override {
    if (received) *received = 0;
    return Connected() && ReceiveDatagram(FSocketUDP.client(), report, size, timeout, received);
  }

 private:
  TSocketUDP FSocketUDP;
  bool FConnected;
};

// How a link object makes its UDP transport. Tests replace it to see what a link asks for
// without a socket on the module's address; nullptr restores the real one.
using TUdpTransportFactory = std::function<std::unique_ptr<TLinkTransport>(
    const std::string& ipAddress, uint16_t port, uint16_t localPort, bool connected)>;
void SetUdpTransportFactory(TUdpTransportFactory factory);
std::unique_ptr<TLinkTransport> MakeUdpTransport(const std::string& ipAddress, uint16_t port,
                                                 uint16_t localPort, bool connected);

}  // namespace karvelm
