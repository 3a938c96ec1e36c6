// The Ethernet link's transport: one datagram per report over a connected UDP socket.
#pragma once

#include <memory>
#include <string>

#include "link/socket_udp.h"
#include "link/transport.h"

namespace karvelm {

class TUdpTransport final : public TLinkTransport {
 public:
  TUdpTransport(const std::string& ipAddress, uint16_t port, uint16_t localPort)
      : FSocketUDP(ipAddress, port, localPort) {}

  bool Connected() const override { return FSocketUDP.client() != 0; }
  bool Write(const uint8_t* report, int size) override {
    return SendDatagram(FSocketUDP.client(), report, size);
  }
  bool Read(uint8_t* report, int size, int timeout, int* received) override {
    return ReceiveDatagram(FSocketUDP.client(), report, size, timeout, received);
  }

 private:
  TSocketUDP FSocketUDP;
};

}  // namespace karvelm
