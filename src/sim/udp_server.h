// Serves one simulated module over UDP: each datagram goes to the model, each answer back
// to the address the request came from. Runs on the calling thread or on its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "sim/module_sim.h"

namespace karvelm {

struct TSimServerOptions {
  std::string bindAddress = "127.0.0.1";
  uint16_t port = 30000;  // 0 = any free port (see Port())
  bool allowNonLoopback = false;
  std::function<void(const std::string&)> log;           // told about each received datagram
  std::function<void(const std::string&)> logViolation;  // told about each protocol violation
  // When set, answers each datagram in the model's place (a recorded trace played back).
  std::function<std::vector<std::vector<uint8_t>>(const uint8_t* bytes, int size)> answer;
};

// True for a dotted IPv4 address in 127.0.0.0/8.
bool IsLoopbackAddress(const std::string& address);

class TSimUdpServer {
 public:
  // Makes the model and binds the socket. Throws std::runtime_error when the address is not
  // an IPv4 address, lies outside 127.0.0.0/8 without allowNonLoopback, or cannot be bound.
  TSimUdpServer(const TSimConfig& config, const TSimServerOptions& options);
  ~TSimUdpServer();
  TSimUdpServer(const TSimUdpServer&) = delete;
  TSimUdpServer& operator=(const TSimUdpServer&) = delete;

  uint16_t Port() const { return FPort; }
  // Protocol violations seen since the start.
  size_t ViolationCount();
  const std::string& Address() const { return FOptions.bindAddress; }

  // Serves until RequestStop.
  void Run();
  // Run on a thread of its own; Stop ends it.
  void Start();
  void Stop();
  // Safe from a signal handler.
  void RequestStop() noexcept;

  // The model, while the serving loop keeps off it.
  template <typename F>
  decltype(auto) WithSim(F&& f) {
    std::lock_guard<std::mutex> lock(FMutex);
    return f(FSim);
  }

 private:
  void SendDue();  // with FMutex held
  void Receive();

  TSimServerOptions FOptions;
  TSystemClock FClock;  // the server keeps real time whatever clock a test installs
  TModuleSim FSim;
  std::mutex FMutex;
  int FSocket = -1;
  int FWake[2] = {-1, -1};
  uint16_t FPort = 0;
  std::atomic<bool> FStop{false};
  std::thread FThread;
  uint8_t FBuffer[65536];
};

}  // namespace karvelm
