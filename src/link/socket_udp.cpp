#include "link/socket_udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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

TSocketUDP::~TSocketUDP() {
  Release();
}

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
  if (size > 0) std::memcpy(sendBuffer, packet, static_cast<size_t>(size));
  int length = std::max(size, kMinDatagramSize);
  if (size < kMinDatagramSize) std::memset(sendBuffer + size, 0, kMinDatagramSize - size);
  return ::send(socket, sendBuffer, static_cast<size_t>(length), MSG_NOSIGNAL) >= 0;
}

namespace {

using TSteady = std::chrono::steady_clock;

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

// Waits until the socket is readable or the deadline has passed. The remaining time goes to
// ppoll in nanoseconds: a socket receive timeout is rounded up to kernel ticks and poll to
// whole milliseconds, and either rounding repeated made a wait outlast the caller's. An
// interrupted wait resumes against the same deadline.
bool WaitReadableUntil(int socket, TSteady::time_point deadline) {
  for (;;) {
    const auto left = std::max(deadline - TSteady::now(), TSteady::duration::zero());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const timespec wait{
        static_cast<time_t>(seconds.count()),
        static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
    pollfd waiter{socket, POLLIN, 0};
    // A pending socket error (an ICMP "port unreachable" for an earlier datagram) also wakes
    // the wait; the recv that follows takes it off the socket and the call fails.
    const int ready = ::ppoll(&waiter, 1, &wait, nullptr);
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// The next datagram's real length (MSG_TRUNC), waiting at most timeoutMs from now.
ssize_t ReceiveWithin(int socket, int timeoutMs) {
  const auto deadline = TSteady::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    // A datagram already queued is taken without a wait.
    const ssize_t length =
        ::recv(socket, receiveBuffer, sizeof receiveBuffer, MSG_TRUNC | MSG_DONTWAIT);
    if (length >= 0 || (!WouldBlock(errno) && errno != EINTR)) return length;
    if (!WaitReadableUntil(socket, deadline)) return -1;
  }
}

}  // namespace

bool ReceiveDatagram(int socket, uint8_t* destination, int size, int timeout, int* received) {
  if (received) *received = 0;
  if (socket == 0) return false;
  const ssize_t length = ReceiveWithin(socket, timeout);
  // A datagram larger than the receive buffer is refused; MSG_TRUNC made recv tell its size.
  if (length < 0 || length > kUdpBufferSize) return false;
  int copied = std::min(static_cast<int>(length), std::max(size, 0));
  if (copied > 0) std::memcpy(destination, receiveBuffer, static_cast<size_t>(copied));
  if (received) *received = copied;
  return true;
}

}  // namespace karvelm
