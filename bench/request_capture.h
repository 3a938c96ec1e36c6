// The requests the link sent to the simulator in one operation, and their replay on a bare
// socket: a benchmark's floor is the same round trips without the link.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "sim/module_sim.h"
#include "sim/udp_server.h"

namespace karvelm::bench {

using TRequests = std::vector<std::vector<uint8_t>>;

// Nothing when the operation failed or a request went unanswered.
inline std::optional<TRequests> CaptureRequests(TSimUdpServer& server,
                                                const std::function<bool()>& operation) {
  server.WithSim([](TModuleSim& sim) { sim.ClearRecord(); });
  if (!operation()) return std::nullopt;
  return server.WithSim([](TModuleSim& sim) -> std::optional<TRequests> {
    TRequests requests;
    for (const TSimReceived& received : sim.Received())
      if (received.fate == sfHandled) requests.push_back(received.raw);
    if (sim.Sent().size() != requests.size()) return std::nullopt;
    return requests;
  });
}

inline bool ReplayRequests(int fd, const TRequests& requests) {
  uint8_t answer[2048];
  for (const std::vector<uint8_t>& request : requests) {
    if (::send(fd, request.data(), request.size(), 0) < 0) return false;
    if (::recv(fd, answer, sizeof answer, 0) <= 0) return false;
  }
  return true;
}

}  // namespace karvelm::bench
