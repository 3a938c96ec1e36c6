#include "link/packet_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "link/trace_json.h"

namespace karvelm {

namespace {

// Lines are written when this much has gathered: rarely enough to cost nothing noticeable
// between packets, small enough to keep the memory of a long session low.
constexpr size_t kWriteThreshold = 256 * 1024;

std::atomic<TPacketTrace*> activeTrace{nullptr};

}  // namespace

TPacketTrace::TPacketTrace(const std::string& path, TTraceFailure failure)
    : FPath(path), FFailure(std::move(failure)), FStart(std::chrono::steady_clock::now()) {
  FFile = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (FFile < 0)
    Fail(errno);
  else
    FBuffer.reserve(kWriteThreshold + 8192);
}

TPacketTrace::~TPacketTrace() {
  Flush();
  if (FFile >= 0 && ::close(FFile) != 0 && !FFailed) Fail(errno);
}

void TPacketTrace::Fail(int error) {
  if (FFailed) return;
  FFailed = true;
  FBuffer.clear();
  FBuffer.shrink_to_fit();
  if (FFailure) FFailure(std::strerror(error));
}

void TPacketTrace::Record(TTraceDirection direction, TIntfType kind, const uint8_t* bytes,
                          int size) {
  std::lock_guard<std::mutex> lock(FMutex);
  if (FFailed) return;
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - FStart)
                          .count();
  TJsonLine json(FBuffer);
  json.BeginObject();
  json.Int("t_us", micros);
  json.String("dir", TraceDirectionName(direction));
  json.String("link", TraceLinkName(kind));
  json.Int("bytes", size);
  json.Hex("hex", bytes, size);
  FDecoder.Describe(direction, kind, bytes, size, json);
  json.EndObject();
  FBuffer += '\n';
  if (FBuffer.size() >= kWriteThreshold) WriteBuffer();
}

bool TPacketTrace::WriteBuffer() {
  if (FFailed) return false;
  const char* at = FBuffer.data();
  size_t left = FBuffer.size();
  while (left > 0) {
    const ssize_t written = ::write(FFile, at, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return false;
    }
    at += written;
    left -= static_cast<size_t>(written);
  }
  FBuffer.clear();
  return true;
}

bool TPacketTrace::Flush() {
  std::lock_guard<std::mutex> lock(FMutex);
  return WriteBuffer();
}

void SetPacketTrace(TPacketTrace* trace) {
  activeTrace = trace;
}

TPacketTrace* ActivePacketTrace() {
  return activeTrace;
}

TPacketTraceScope::TPacketTraceScope(const std::string& path, TTraceFailure failure)
    : FPrevious(ActivePacketTrace()) {
  if (path.empty()) return;
  FTrace = std::make_unique<TPacketTrace>(path, std::move(failure));
  SetPacketTrace(FTrace.get());
}

TPacketTraceScope::~TPacketTraceScope() {
  if (FTrace) SetPacketTrace(FPrevious);
}

}  // namespace karvelm
