#include "link/packet_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/trace_json.h"

namespace karvelm {

namespace {

// The writer is woken when this much has been copied aside, and otherwise looks every
// kWriterPeriod; the link's thread never waits for it below kMaxPending.
constexpr size_t kWakeThreshold = 64 * 1024;
constexpr auto kWriterPeriod = std::chrono::milliseconds(50);
constexpr size_t kMaxPending = 16 * 1024 * 1024;

// How one packet is kept until the writer formats it; its bytes follow.
struct TCopiedPacket {
  int64_t micros;
  int32_t size;
  uint8_t direction;
  uint8_t kind;
};

std::atomic<TPacketTrace*> activeTrace{nullptr};

}  // namespace

TPacketTrace::TPacketTrace(const std::string& path, TTraceFailure failure)
    : FPath(path), FFailure(std::move(failure)), FStart(std::chrono::steady_clock::now()) {
  FFile = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (FFile < 0) {
    FReason = std::strerror(errno);
    FFailed = true;
    ReportFailure();
    return;
  }
  FPending.reserve(2 * kWakeThreshold);
  FWriter = std::thread([this] { WriterLoop(); });
}

TPacketTrace::~TPacketTrace() {
  if (FWriter.joinable()) {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FStop = true;
    }
    FWake.notify_one();
    FWriter.join();
  }
  if (FFile >= 0 && ::close(FFile) != 0 && !FFailed) {
    FReason = std::strerror(errno);
    FFailed = true;
  }
  ReportFailure();
}

void TPacketTrace::ReportFailure() {
  if (!FFailed || FReported.exchange(true)) return;
  std::string reason;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    reason = FReason;
  }
  if (FFailure) FFailure(reason);
}

void TPacketTrace::Record(TTraceDirection direction, TIntfType kind, const uint8_t* bytes,
                          int size) {
  if (FFailed) {
    ReportFailure();
    return;
  }
  const TCopiedPacket header{std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now() - FStart)
                                 .count(),
                             std::max(size, 0), static_cast<uint8_t>(direction),
                             static_cast<uint8_t>(kind)};
  bool wake = false;
  {
    std::unique_lock<std::mutex> lock(FMutex);
    // A writer that cannot keep up holds the link back rather than letting memory grow.
    FDone.wait(lock, [this] { return FPending.size() < kMaxPending || FFailed; });
    const auto* raw = reinterpret_cast<const uint8_t*>(&header);
    FPending.insert(FPending.end(), raw, raw + sizeof header);
    if (header.size > 0) FPending.insert(FPending.end(), bytes, bytes + header.size);
    wake = FPending.size() >= kWakeThreshold;
  }
  if (wake) FWake.notify_one();
}

bool TPacketTrace::Flush() {
  if (FWriter.joinable()) {
    std::unique_lock<std::mutex> lock(FMutex);
    const uint64_t wanted = ++FFlushAsked;
    FFlushWanted = true;
    FWake.notify_one();
    FDone.wait(lock, [&] { return FFlushDone >= wanted || FFailed; });
  }
  ReportFailure();
  return !FFailed;
}

void TPacketTrace::WriterLoop() {
  std::vector<uint8_t> batch;
  batch.reserve(2 * kWakeThreshold);
  for (;;) {
    bool stopping = false;
    uint64_t flushed = 0;
    {
      std::unique_lock<std::mutex> lock(FMutex);
      FWake.wait_for(lock, kWriterPeriod,
                     [this] { return FStop || FFlushWanted || FPending.size() >= kWakeThreshold; });
      batch.swap(FPending);
      stopping = FStop;
      flushed = FFlushAsked;
      FFlushWanted = false;
    }
    FDone.notify_all();  // room again for a held-back link
    if (!FFailed && !batch.empty()) {
      Format(batch);
      if (const int error = WriteAll(FText); error != 0) {
        std::lock_guard<std::mutex> lock(FMutex);
        FReason = std::strerror(error);
        FFailed = true;
      }
      FText.clear();
    }
    batch.clear();
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FFlushDone = flushed;
    }
    FDone.notify_all();
    if (stopping) return;
  }
}

void TPacketTrace::Format(const std::vector<uint8_t>& batch) {
  size_t at = 0;
  while (at + sizeof(TCopiedPacket) <= batch.size()) {
    TCopiedPacket header;
    std::memcpy(&header, batch.data() + at, sizeof header);
    at += sizeof header;
    const uint8_t* bytes = batch.data() + at;
    at += static_cast<size_t>(header.size);
    const auto direction = static_cast<TTraceDirection>(header.direction);
    const auto kind = static_cast<TIntfType>(header.kind);
    TJsonLine json(FText);
    json.BeginObject();
    json.Int("t_us", header.micros);
    json.String("dir", TraceDirectionName(direction));
    json.String("link", TraceLinkName(kind));
    json.Int("bytes", header.size);
    json.Hex("hex", bytes, header.size);
    FDecoder.Describe(direction, kind, bytes, header.size, json);
    json.EndObject();
    FText += '\n';
  }
}

int TPacketTrace::WriteAll(const std::string& text) {
  const char* at = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(FFile, at, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    at += written;
    left -= static_cast<size_t>(written);
  }
  return 0;
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
