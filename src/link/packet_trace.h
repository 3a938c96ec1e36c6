// The traffic trace: every packet the link writes or reads, one JSON line each, with a
// monotonic time in microseconds, the direction, the link kind, the raw bytes in hex and the
// decoded view. Lines are gathered in memory and written in large pieces, so that tracing
// hardly changes the timing of the exchange; the rest is written when the trace closes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "link/intf_type.h"
#include "link/trace_decode.h"

namespace karvelm {

// Told once about the first failure to create or write the trace, with the system's reason.
using TTraceFailure = std::function<void(const std::string& reason)>;

class TPacketTrace {
 public:
  // Creates or empties the file at path. A failure is reported at once and the trace then
  // records nothing; the work it watches goes on either way.
  TPacketTrace(const std::string& path, TTraceFailure failure);
  ~TPacketTrace();  // writes what is left
  TPacketTrace(const TPacketTrace&) = delete;
  TPacketTrace& operator=(const TPacketTrace&) = delete;

  void Record(TTraceDirection direction, TIntfType kind, const uint8_t* bytes, int size);
  // Writes the gathered lines; false once writing has failed.
  bool Flush();
  bool Failed() const { return FFailed; }
  const std::string& Path() const { return FPath; }

 private:
  bool WriteBuffer();  // with FMutex held
  void Fail(int error);

  std::string FPath;
  TTraceFailure FFailure;
  int FFile = -1;
  bool FFailed = false;
  std::string FBuffer;
  TTraceDecoder FDecoder;
  std::chrono::steady_clock::time_point FStart;
  std::mutex FMutex;
};

// The trace the link writes to, or nullptr. The caller keeps the object alive while set.
void SetPacketTrace(TPacketTrace* trace);
TPacketTrace* ActivePacketTrace();

// Makes a trace and sets it for the link while the scope lasts; an empty path traces nothing.
class TPacketTraceScope {
 public:
  TPacketTraceScope(const std::string& path, TTraceFailure failure);
  ~TPacketTraceScope();
  TPacketTraceScope(const TPacketTraceScope&) = delete;
  TPacketTraceScope& operator=(const TPacketTraceScope&) = delete;

 private:
  std::unique_ptr<TPacketTrace> FTrace;
  TPacketTrace* FPrevious = nullptr;
};

}  // namespace karvelm
