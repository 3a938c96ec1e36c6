// The connected UDP socket of the Ethernet link and the two functions that move one
// datagram each way through it.
#pragma once

#include <cstdint>
#include <string>

namespace karvelm {

constexpr int kUdpBufferSize = 32772;  // the transport's send and receive buffers
constexpr int kMinDatagramSize = 64;   // shorter packets are padded to this length

class TSocketUDP {
 public:
  using TUDPCallback = bool (*)(uint8_t* buffer, int size);

  // Binds localPort on all IPv4 addresses and connects to ipAddress:port. Throws TOSError
  // with "Socket create failed.", "Socket bind error %d." or "Socket connect error %d.".
  TSocketUDP(const std::string& ipAddress, uint16_t port, uint16_t localPort = 30000);
  ~TSocketUDP();
  TSocketUDP(const TSocketUDP&) = delete;
  TSocketUDP& operator=(const TSocketUDP&) = delete;

  // Thin wrappers over send/recv on the socket; they return the platform's result.
  int SendData(const uint8_t* buffer, int len);
  int RecvData(uint8_t* buffer, int len);

  int client() const { return FUDPSocket; }
  TUDPCallback OnRecvData() const { return FUDPReceive; }
  void SetOnRecvData(TUDPCallback callback) { FUDPReceive = callback; }

 private:
  void Release();

  int FUDPSocket = 0;  // 0 = no socket; the transport functions refuse it
  TUDPCallback FUDPReceive = nullptr;
};

// Sends size bytes as one datagram, padded to at least 64 bytes. False for socket 0 or when
// the send fails.
bool SendDatagram(int socket, const uint8_t* packet, int size);

// Waits at most timeout milliseconds for the next datagram and copies up to size bytes of
// it. An empty datagram succeeds and copies nothing. A datagram larger than the receive
// buffer is taken off the queue and refused. When received is given it gets the number of
// bytes copied.
bool ReceiveDatagram(int socket, uint8_t* destination, int size, int timeout,
                     int* received = nullptr);

}  // namespace karvelm
