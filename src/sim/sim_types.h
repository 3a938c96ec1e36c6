// What travels between the simulated module and its link, independent of the packet family.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/intf_type.h"

namespace karvelm {

enum TSimProgram : int {
  spFirmware = 0,  // the application firmware
  spLoader = 1,    // the bootloader
};

const char* SimProgramName(TSimProgram program);

constexpr uint8_t kSimTypeReply = 1;  // framed type of a reply; also the USB report ID
constexpr uint8_t kSimTypeData = 2;   // framed type of a data packet; also the USB report ID
constexpr uint8_t kSimStatusOk = 0;
constexpr uint8_t kSimStatusFailure = 0xFF;

// One decoded packet the module received.
struct TSimRequest {
  TIntfType kind = itUDP;
  uint8_t type = kSimTypeReply;  // 1 = command, 2 = data
  uint8_t code = 0;              // command code; for data the code byte as received (0)
  uint32_t sequence = 0;         // framed kinds only
  std::vector<uint8_t> payload;  // command payload or data (legacy: the whole report body)
};

// One packet the module sends, before it is encoded for its link kind.
struct TSimPacket {
  TIntfType kind = itUDP;
  uint8_t type = kSimTypeReply;  // 1 = reply, 2 = data packet
  uint8_t status = kSimStatusOk;
  uint32_t sequence = 0;
  std::vector<uint8_t> payload;
  bool badChecksum = false;  // checksum field deliberately wrong
  bool badLength = false;    // length field beyond the bytes sent
  bool stale = false;        // a copy with an old sequence number sent ahead of the real one
  uint64_t dueMs = 0;        // not handed out before this time
  uint64_t origin = 0;       // the sender of the request, for the UDP server
};

// What became of a received report or datagram.
enum TSimFate : int {
  sfHandled = 0,     // decoded and given to the running program
  sfRestarting = 1,  // dropped: the module is restarting
  sfSilenced = 2,    // dropped: the "silence after N packets" fault
  sfMalformed = 3,   // dropped: not a packet of the link kind (bad size, length or checksum)
  sfRefused = 4,     // refused, strict: it breaks the protocol (see the violations)
};

// Something the link sent, or asked for, that a real module would refuse.
struct TSimViolation {
  TIntfType kind = itUDP;
  uint64_t atMs = 0;
  std::string text;
};

// How the link awaits the answer to a command, which decides the sequence number it uses
// next (the link's own rules) and the report a refusal goes out in.
enum TSimAnswer : int {
  saReply = 0,  // Transact: one reply
  saData = 1,   // ReadData: one data packet per command
  saNone = 2,   // SendCommand only: nothing is read
};

// What a module checks of a command before its handler runs.
struct TSimCommandRule {
  std::vector<int> payloadSizes;  // framed payload lengths it takes; empty = any
  TSimAnswer answer = saReply;
};

struct TSimReceived {
  TIntfType kind = itUDP;
  std::vector<uint8_t> raw;  // exactly the bytes written, size included
  uint64_t atMs = 0;
  TSimProgram program = spFirmware;  // running when it arrived
  TSimFate fate = sfHandled;
  TSimRequest request;  // valid when fate is sfHandled
};

}  // namespace karvelm
