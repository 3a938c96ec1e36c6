#include "sim/sim_transport.h"

#include <algorithm>
#include <cstring>

namespace karvelm {

bool TSimTransport::OffTheBus() const {
  return FKind != itUDP && FSim.Config().usbLeavesBusOnRestart && FSim.Restarting();
}

bool TSimTransport::Write(const uint8_t* report, int size) {
  if (!Connected() || !report || size <= 0) return false;
  return FSim.Receive(FKind, report, size);
}

bool TSimTransport::Read(uint8_t* report, int size, int timeout, int* received) {
  if (received) *received = 0;
  if (!Connected() || !report || size <= 0) return false;
  if (!FSim.AcceptReadRequest(FKind, report, size)) return false;
  const uint8_t wanted = FKind == itHID_NEW ? report[0] : 0;
  std::optional<TSimOutgoing> out = FSim.TakeDue(wanted);
  if (!out) {
    TClock& clock = FSim.ClockRef();
    const uint64_t now = clock.NowMs();
    const std::optional<uint64_t> due = FSim.NextDue(wanted);
    const uint64_t limit =
        static_cast<uint64_t>(FKind == itUDP ? std::max(timeout, 0) : kSimUsbRequestWaitMs);
    if (due && *due - now <= limit) {
      clock.SleepMs(static_cast<int>(*due - now));
      out = FSim.TakeDue(wanted);
    } else {
      if (FKind == itUDP) clock.SleepMs(static_cast<int>(limit));
      return false;
    }
  }
  if (!out) return false;
  const int count = std::min(size, static_cast<int>(out->bytes.size()));
  std::memcpy(report, out->bytes.data(), static_cast<size_t>(count));
  if (received) *received = count;
  return true;
}

}  // namespace karvelm
