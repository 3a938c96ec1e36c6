// The traffic trace: every packet the link writes or reads, one JSON line each, with a
// monotonic time in microseconds, the direction, the link kind, the raw bytes in hex and the
// decoded view. The link's thread only copies each packet aside; a writer thread of the trace
// decodes, formats and writes them in large pieces while the link waits on the module, so that
// tracing hardly changes the timing of the exchange. What is left is written when the trace
// closes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/intf_type.h"
#include "link/trace_decode.h"

namespace karvelm {

// Told once about the first failure to create or write the trace, with the system's reason,
// on the thread that uses the link (or closes the trace).
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
  // Writes everything recorded so far; false once the trace has failed.
  bool Flush();
  bool Failed() const { return FFailed; }
  const std::string& Path() const { return FPath; }

 private:
  void WriterLoop();
  // Decodes and formats one batch of copied packets; writer thread only.
  void Format(const std::vector<uint8_t>& batch);
  int WriteAll(const std::string& text);  // writer thread only; 0 or the errno
  void ReportFailure();                   // once, on the calling thread

  std::string FPath;
  TTraceFailure FFailure;
  int FFile = -1;
  std::chrono::steady_clock::time_point FStart;

  // Shared with the writer: packets copied aside, and the writer's progress.
  std::mutex FMutex;
  std::condition_variable FWake;  // the writer has work, or is to stop
  std::condition_variable FDone;  // the writer finished a batch
  std::vector<uint8_t> FPending;
  uint64_t FFlushAsked = 0;  // flush requests, and the last one the writer has served
  uint64_t FFlushDone = 0;
  bool FFlushWanted = false;
  bool FStop = false;
  std::string FReason;
  std::atomic<bool> FFailed{false};
  std::atomic<bool> FReported{false};

  // The writer's own.
  TTraceDecoder FDecoder;
  std::string FText;
  std::thread FWriter;
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
