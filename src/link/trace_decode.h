// What the packet trace says about a packet beyond its bytes: its type, the command it
// carries or answers, sequence number, status and the payload fields the command set
// describes.
#pragma once

#include <cstdint>

#include "link/commands.h"
#include "link/intf_type.h"
#include "link/trace_json.h"

namespace karvelm {

enum TTraceDirection : uint8_t {
  tdToModule,    // "out"
  tdFromModule,  // "in"
};

const char* TraceDirectionName(TTraceDirection direction);
// The CLI's names of the link kinds: "udp", "usb1", "usb2".
const char* TraceLinkName(TIntfType kind);

// Follows one link's traffic in order. Replies carry no command code, so the decoder keeps
// the last command sent; 0x09 and 0x0C mean different commands to the two programs, so it
// also keeps which program answered the last cmdIdentify; and first-generation data reports
// carry no marker, so it counts the bytes a write command announced.
class TTraceDecoder {
 public:
  // Adds "type", "command", "code", "seq", "status", "length" and "fields" as far as they
  // apply to the packet.
  void Describe(TTraceDirection direction, TIntfType kind, const uint8_t* bytes, int size,
                TJsonLine& json);

 private:
  void DescribeFramed(TTraceDirection direction, TIntfType kind, const uint8_t* bytes, int size,
                      TJsonLine& json);
  void DescribeLegacy(TTraceDirection direction, const uint8_t* bytes, int size, TJsonLine& json);
  // A command going out: remembered, and its request fields written.
  void CommandSent(TIntfType kind, uint8_t code, const uint8_t* payload, int n, TJsonLine& json);
  // An answer coming in: the last command's reply fields written.
  void AnswerReceived(TIntfType kind, const uint8_t* payload, int n, TJsonLine& json);
  void Name(TJsonLine& json) const;

  const TCommandInfo* FLast = nullptr;
  TCommandSide FSide = csBoth;
  int64_t FDataLeft = 0;   // bytes of an announced write not yet sent
  uint32_t FBusWords = 0;  // words the last cmdReadBus asked for
};

}  // namespace karvelm
