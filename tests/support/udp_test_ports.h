// Free loopback ports for tests: the kernel picks one, the test then binds it itself.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace karvelm::testing {

inline uint16_t FreeUdpPort() {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A plain loopback socket standing in for the module's side.
class TPeerSocket {
 public:
  TPeerSocket() : port_(FreeUdpPort()) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  ~TPeerSocket() { ::close(fd_); }
  uint16_t Port() const { return port_; }

  void SendTo(uint16_t port, const void* data, size_t size) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd_, data, size, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  // The length of the next datagram (waits up to a second), or -1.
  long Receive(uint8_t* buffer, size_t size) {
    timeval wait{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    return ::recv(fd_, buffer, size, MSG_TRUNC);
  }

 private:
  uint16_t port_;
  int fd_ = -1;
};

}  // namespace karvelm::testing
