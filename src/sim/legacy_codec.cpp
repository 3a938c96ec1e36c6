#include "sim/legacy_codec.h"

#include <algorithm>

#include "link/framing.h"

namespace karvelm {

bool DecodeLegacyReport(const uint8_t* bytes, int size, bool expectData, TSimRequest& out) {
  if (size != kLegacyReportSize || bytes[0] != 0) return false;
  out = TSimRequest{};
  out.kind = itHID_OLD;
  if (!expectData && bytes[1] == kLegacyCommandMarker) {
    out.type = kSimTypeReply;
    out.code = bytes[2];
    out.payload.assign(bytes + 3, bytes + kLegacyReportSize);
  } else {
    out.type = kSimTypeData;
    out.code = 0;
    out.payload.assign(bytes + 1, bytes + kLegacyReportSize);
  }
  return true;
}

std::vector<uint8_t> EncodeLegacyReport(const TSimPacket& packet) {
  std::vector<uint8_t> report(kLegacyReportSize, 0);
  const size_t count = std::min(packet.payload.size(), size_t{kLegacyReportSize - 1});
  std::copy_n(packet.payload.begin(), count, report.begin() + 1);
  return report;
}

}  // namespace karvelm
