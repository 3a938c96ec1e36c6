#include "sim/protocol_checks.h"

#include <algorithm>
#include <cstdio>

#include "sim/byte_order.h"

namespace karvelm {

namespace {

// The module's own report sizes, report ID included.
constexpr int kOldReport = 65;         // report ID 0, both directions
constexpr int kNewCommandReport = 64;  // report ID 1
constexpr int kNewDataReport = 268;    // report ID 2
constexpr int kShortestDatagram = 64;  // the PC's network stack pads shorter packets
constexpr int kHeader = 12;

std::string Format(const char* format, int a, int b) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

std::string CheckReport(TIntfType kind, uint8_t id, int size, const char* what) {
  if (kind == itHID_OLD) {
    if (size == kOldReport && id == 0) return {};
    return Format("%d-byte report with ID %d; a first-generation module takes 65 bytes, ID 0", size,
                  id) +
           " (" + what + ")";
  }
  if ((id == 1 && size == kNewCommandReport) || (id == 2 && size == kNewDataReport)) return {};
  return Format(
             "%d-byte report with ID %d; a second-generation module takes 64 bytes with ID 1 "
             "or 268 with ID 2",
             size, id) +
         " (" + what + ")";
}

}  // namespace

std::string CheckWrittenReport(TIntfType kind, const uint8_t* bytes, int size) {
  if (kind == itUDP) return {};
  return CheckReport(kind, size > 0 ? bytes[0] : 0, size, "written");
}

std::string CheckReadRequest(TIntfType kind, const uint8_t* report, int size) {
  if (kind == itUDP) return {};
  return CheckReport(kind, size > 0 ? report[0] : 0, size, "read request");
}

std::string CheckFramedPacket(TIntfType kind, const TSimRequest& request, int size) {
  if (request.type == kSimTypeData && request.code != 0)
    return Format("data packet with code 0x%02X; it must be 0", request.code, 0);
  const int length = kHeader + static_cast<int>(request.payload.size());
  if (kind == itUDP && size != length && !(length < kShortestDatagram && size == kShortestDatagram))
    return Format("%d-byte datagram for a %d-byte packet", size, length);
  return {};
}

bool IsUnusedCommandCode(uint8_t code) {
  return code == 0 || code == 0x05 || code == 0x06 || code == 0x13 || code == 0x1B || code > 0x22;
}

std::string TSimSequenceRules::Check(uint64_t origin, uint32_t sequence) const {
  auto it = FAllowed.find(origin);
  if (it == FAllowed.end()) return {};
  const std::vector<uint32_t>& allowed = it->second;
  if (std::ranges::find(allowed, sequence) != allowed.end()) return {};
  if (FAllowRestart && sequence == 0) return {};
  std::string text = "sequence " + std::to_string(sequence) + " where ";
  for (size_t i = 0; i < allowed.size(); ++i)
    text += (i == 0 ? "" : i + 1 == allowed.size() ? " or " : ", ") + std::to_string(allowed[i]);
  return text + " was due";
}

void TSimSequenceRules::Expect(uint64_t origin, std::vector<uint32_t> allowed) {
  std::ranges::sort(allowed);
  allowed.erase(std::unique(allowed.begin(), allowed.end()), allowed.end());
  FAllowed[origin] = std::move(allowed);
}

std::vector<uint32_t> NextSequences(uint32_t sequence, bool data, TSimAnswer answer,
                                    const TSimAnswerOutcome& outcome) {
  if (!data && answer == saNone) return {sequence + 1};
  std::vector<uint32_t> next;
  if (outcome.ok) next.push_back(sequence + 1);
  if (outcome.failed) next.push_back(sequence);
  if ((!outcome.ok && !outcome.failed) || outcome.late) {
    if (data || answer == saData) {
      next.push_back(sequence);
    } else {
      next.push_back(0);
      next.insert(next.end(), outcome.staleSequences.begin(), outcome.staleSequences.end());
    }
  }
  return next;
}

}  // namespace karvelm
