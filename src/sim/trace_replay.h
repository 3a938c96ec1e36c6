// The module's side of a recorded packet trace (karvelm-sim --replay): each live request is
// checked against the next request of the recording and answered with the packets the
// recording holds after it. Where the live requests leave the recording is reported, and
// nothing is answered from there on.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace karvelm {

struct TReplayPacket {
  size_t line = 0;  // in the trace file, from 1
  bool request = false;
  std::vector<uint8_t> bytes;
  std::string command;  // the trace's decoded name, when it has one
};

class TTraceReplay {
 public:
  // Reads a trace of the Ethernet link. Throws std::runtime_error naming the line that is
  // not a trace line or belongs to another link kind.
  explicit TTraceReplay(std::istream& in);
  static TTraceReplay FromFile(const std::string& path);

  // The answers to one live request, with the live request's sequence number carried into
  // them as the recording had it (an answer recorded k numbers behind its request stays k
  // behind). Empty after a departure, and where the recording has no answer.
  std::vector<std::vector<uint8_t>> Answer(const uint8_t* bytes, int size);

  // The report of the first departure, empty while the live requests follow the recording.
  const std::string& Departure() const { return FDeparture; }
  // After the live side is done: a report when the recording holds requests it never sent.
  std::string Unfinished() const;
  size_t Requests() const { return FRequestCount; }
  size_t RequestsServed() const { return FServed; }

 private:
  void Depart(std::string text);

  std::vector<TReplayPacket> FPackets;
  size_t FNext = 0;  // the packet the next live request is matched against
  size_t FRequestCount = 0;
  size_t FServed = 0;
  std::string FDeparture;
};

}  // namespace karvelm
