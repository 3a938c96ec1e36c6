// What travels between the simulated module and its link, independent of the packet family.
#pragma once

#include <cstdint>
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
  uint8_t code = 0;              // command code; 0 for data
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
