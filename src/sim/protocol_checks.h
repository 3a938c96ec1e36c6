// What a real module refuses before any command handler sees a packet: reports of the wrong
// size or ID for its USB generation, datagrams that do not match their packet, and sequence
// numbers the link's rules do not allow. Each check returns the violation's text, or an
// empty string when the packet is fine.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/sim_types.h"

namespace karvelm {

// A feature report or datagram the link wrote, before it is decoded.
std::string CheckWrittenReport(TIntfType kind, const uint8_t* bytes, int size);
// A feature-report read request: byte 0 holds the report ID, size is the request's size.
std::string CheckReadRequest(TIntfType kind, const uint8_t* report, int size);
// A framed packet that decoded: its code byte and, on itUDP, the datagram size.
std::string CheckFramedPacket(TIntfType kind, const TSimRequest& request, int size);
// A command code no program of the module has (0, unused codes, codes past the table).
bool IsUnusedCommandCode(uint8_t code);

// The sequence numbers each sender (origin) may use next. The link numbers every packet it
// writes from one counter; after each packet the module knows what the link does with the
// answer, and so which numbers can follow:
// - an answer read with success: the next number;
// - a failure status: the same number again (Transact takes the reply's number, WriteData
//   and ReadData step back by one);
// - no answer to a Transact: 0 (or the number of a stale reply it took); no answer to a
//   data packet or a ReadData command: the same number again;
// - a command sent without awaiting an answer: the next number.
class TSimSequenceRules {
 public:
  // A sender may start counting anew at 0 (several programs in turn on one UDP server).
  void AllowRestart(bool allow) { FAllowRestart = allow; }
  std::string Check(uint64_t origin, uint32_t sequence) const;
  void Expect(uint64_t origin, std::vector<uint32_t> allowed);
  // The counter moved in a way the module cannot follow (legacy reports carry no number,
  // refused or undecodable packets): any number is taken next.
  void Forget(uint64_t origin) { FAllowed.erase(origin); }
  void Clear() { FAllowed.clear(); }

 private:
  std::map<uint64_t, std::vector<uint32_t>> FAllowed;
  bool FAllowRestart = false;
};

// What became of the answers to one packet, as the link will see them.
struct TSimAnswerOutcome {
  bool ok = false;                       // an answer with success status the link reads
  bool failed = false;                   // an answer with status 0xFF the link reads
  bool late = false;                     // an answer the link may give up on before it is due
  std::vector<uint32_t> staleSequences;  // stale copies sent ahead of the answer
};

// The numbers that may follow packet `sequence`: data = a data packet (WriteData); otherwise
// a command awaited as answer says.
std::vector<uint32_t> NextSequences(uint32_t sequence, bool data, TSimAnswer answer,
                                    const TSimAnswerOutcome& outcome);

}  // namespace karvelm
