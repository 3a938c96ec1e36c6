#include "sim/udp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace karvelm {

namespace {

constexpr size_t kServerRecordLimit = 4096;  // a long run must not grow without bound

std::string SystemError(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

uint64_t OriginOf(const sockaddr_in& from) {
  return static_cast<uint64_t>(ntohl(from.sin_addr.s_addr)) << 16 | ntohs(from.sin_port);
}

sockaddr_in AddressOf(uint64_t origin) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(static_cast<uint32_t>(origin >> 16));
  to.sin_port = htons(static_cast<uint16_t>(origin & 0xFFFF));
  return to;
}

}  // namespace

bool IsLoopbackAddress(const std::string& address) {
  in_addr parsed{};
  if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1) return false;
  return (ntohl(parsed.s_addr) >> 24) == 127;
}

TSimUdpServer::TSimUdpServer(const TSimConfig& config, const TSimServerOptions& options)
    : FOptions(options), FSim(config, &FClock) {
  FSim.SetRecordLimit(kServerRecordLimit);
  FSim.AllowSequenceRestart(true);  // programs come and go, each counting from 0
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(options.port);
  if (::inet_pton(AF_INET, options.bindAddress.c_str(), &local.sin_addr) != 1)
    throw std::runtime_error("not an IPv4 address: " + options.bindAddress);
  if (!options.allowNonLoopback && !IsLoopbackAddress(options.bindAddress))
    throw std::runtime_error("refusing to bind to " + options.bindAddress +
                             ", which is outside 127.0.0.0/8 (see --allow-non-loopback)");

  FSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (FSocket < 0) throw std::runtime_error(SystemError("socket", errno));
  if (::bind(FSocket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    const int error = errno;
    ::close(FSocket);
    throw std::runtime_error(SystemError(
        "cannot bind " + options.bindAddress + ":" + std::to_string(options.port), error));
  }
  socklen_t length = sizeof local;
  ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&local), &length);
  FPort = ntohs(local.sin_port);
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(FSocket);
    throw std::runtime_error(SystemError("pipe", error));
  }
}

TSimUdpServer::~TSimUdpServer() {
  Stop();
  ::close(FSocket);
  ::close(FWake[0]);
  ::close(FWake[1]);
}

size_t TSimUdpServer::ViolationCount() {
  std::lock_guard<std::mutex> lock(FMutex);
  return FSim.ViolationTotal();
}

void TSimUdpServer::Start() {
  if (FThread.joinable()) return;
  FStop = false;
  FThread = std::thread([this] { Run(); });
}

void TSimUdpServer::Stop() {
  RequestStop();
  if (FThread.joinable()) FThread.join();
}

void TSimUdpServer::RequestStop() noexcept {
  FStop = true;
  const uint8_t byte = 1;
  [[maybe_unused]] ssize_t written = ::write(FWake[1], &byte, 1);
}

void TSimUdpServer::Run() {
  while (!FStop) {
    int waitMs = -1;
    {
      std::lock_guard<std::mutex> lock(FMutex);
      SendDue();
      if (std::optional<uint64_t> due = FSim.NextDue()) {
        const uint64_t now = FClock.NowMs();
        waitMs = *due > now ? static_cast<int>(std::min<uint64_t>(*due - now, 60000)) : 0;
      }
    }
    pollfd waits[2] = {{FSocket, POLLIN, 0}, {FWake[0], POLLIN, 0}};
    if (::poll(waits, 2, waitMs) < 0 && errno != EINTR) break;
    if (waits[1].revents) {
      uint8_t drain[16];
      while (::read(FWake[0], drain, sizeof drain) > 0) {
      }
    }
    if (FStop) break;
    if (waits[0].revents & POLLIN) Receive();
  }
}

void TSimUdpServer::Receive() {
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  const ssize_t length = ::recvfrom(FSocket, FBuffer, sizeof FBuffer, MSG_DONTWAIT | MSG_TRUNC,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (length < 0 || fromLength != sizeof from) return;
  const int size = static_cast<int>(std::min<ssize_t>(length, sizeof FBuffer));
  std::lock_guard<std::mutex> lock(FMutex);
  if (FOptions.answer) {
    for (const std::vector<uint8_t>& answer : FOptions.answer(FBuffer, size))
      ::sendto(FSocket, answer.data(), answer.size(), MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&from), sizeof from);
    return;
  }
  const size_t violations = FSim.ViolationTotal();
  FSim.Receive(itUDP, FBuffer, size, OriginOf(from));
  if (FOptions.log && !FSim.Received().empty())
    FOptions.log(DescribeReceived(FSim.Received().back()));
  if (FOptions.logViolation)
    for (size_t i = FSim.ViolationTotal() - violations; i > 0; --i)
      FOptions.logViolation(DescribeViolation(FSim.Violations()[FSim.Violations().size() - i]));
  SendDue();
}

void TSimUdpServer::SendDue() {
  while (std::optional<TSimOutgoing> out = FSim.TakeDue()) {
    if (out->origin == 0) continue;  // nobody asked for it
    const sockaddr_in to = AddressOf(out->origin);
    ::sendto(FSocket, out->bytes.data(), out->bytes.size(), MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
}

}  // namespace karvelm
