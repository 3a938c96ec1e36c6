#include "link/socket_udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/link_error.h"

namespace karvelm {

namespace {

// One buffer each way for the whole process, used by one call at a time.
uint8_t sendBuffer[kUdpBufferSize];
uint8_t receiveBuffer[kUdpBufferSize];

std::string WithNumber(const char* format, int number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

}  // namespace

TSocketUDP::TSocketUDP(const std::string& ipAddress, uint16_t port, uint16_t localPort) {
  // POSIX sockets need no library start-up, so "Socket start failed." cannot occur here.
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) throw TOSError("Socket create failed.", errno);
  // Descriptor 0 is our "no socket"; keep a real socket off it.
  if (fd == 0) {
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) throw TOSError("Socket create failed.", errno);
    fd = moved;
  }
  FUDPSocket = fd;

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(localPort);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(FUDPSocket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    int error = errno;
    Release();
    throw TOSError(WithNumber("Socket bind error %d.", error), error);
  }

  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr.s_addr = ::inet_addr(ipAddress.c_str());
  if (::connect(FUDPSocket, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    int error = errno;
    Release();
    throw TOSError(WithNumber("Socket connect error %d.", error), error);
  }
  FUDPReceive = nullptr;
}

TSocketUDP::~TSocketUDP() { Release(); }

void TSocketUDP::Release() {
  if (FUDPSocket > 0) {
    ::shutdown(FUDPSocket, SHUT_RDWR);
    ::close(FUDPSocket);
  }
  FUDPSocket = 0;
}

int TSocketUDP::SendData(const uint8_t* buffer, int len) {
  return static_cast<int>(::send(FUDPSocket, buffer, static_cast<size_t>(len), 0));
}

int TSocketUDP::RecvData(uint8_t* buffer, int len) {
  return static_cast<int>(::recv(FUDPSocket, buffer, static_cast<size_t>(len), 0));
}

bool SendDatagram(int socket, const uint8_t* packet, int size) {
  if (size < 0 || size > kUdpBufferSize) return false;
  if (socket == 0) return false;
  std::memcpy(sendBuffer, packet, static_cast<size_t>(size));
  int length = std::max(size, kMinDatagramSize);
  if (size < kMinDatagramSize) std::memset(sendBuffer + size, 0, kMinDatagramSize - size);
  return ::send(socket, sendBuffer, static_cast<size_t>(length), MSG_NOSIGNAL) >= 0;
}

bool ReceiveDatagram(int socket, uint8_t* destination, int size, int timeout, int* received) {
  if (received) *received = 0;
  if (socket == 0) return false;
  pollfd waiter{socket, POLLIN, 0};
  if (::poll(&waiter, 1, std::max(timeout, 0)) <= 0) return false;
  // A pending socket error (an ICMP "port unreachable" for an earlier datagram) also wakes
  // the wait; the recv below takes it off the socket and the call fails.
  // MSG_TRUNC makes recv return the datagram's real length, so an oversized one is seen.
  ssize_t length = ::recv(socket, receiveBuffer, sizeof receiveBuffer, MSG_TRUNC | MSG_DONTWAIT);
  if (length < 0 || length > kUdpBufferSize) return false;
  int copied = std::min(static_cast<int>(length), std::max(size, 0));
  if (copied > 0) std::memcpy(destination, receiveBuffer, static_cast<size_t>(copied));
  if (received) *received = copied;
  return true;
}

}  // namespace karvelm
