#include "link/trace_decode.h"

#include <algorithm>

#include "base/byte_order.h"
#include "base/octal_text.h"
#include "link/commands_codec.h"
#include "link/framing.h"

namespace karvelm {

namespace {

using TFieldsFn = void (*)(TIntfType kind, const uint8_t* p, int n, TJsonLine& json);

void Version(const char* wordKey, const char* textKey, uint32_t word, TJsonLine& json) {
  json.Int(wordKey, word);
  json.String(textKey, FormatVersion(word));
}

void Corrections(const TDacCorrections& values, TJsonLine& json) {
  json.BeginArray("corrections");
  for (int32_t value : values) json.Int(nullptr, value);
  json.EndArray();
}

// Request payloads.

void ReadBusRequest(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  uint16_t address = 0;
  uint32_t count = 0;
  if (!DecodeReadBus(p, n, address, count)) return;
  json.String("address", WordToOctal(address));
  json.Int("count", count);
}

void WriteBusRequest(TIntfType kind, const uint8_t* p, int n, TJsonLine& json) {
  uint16_t address = 0, value = 0;
  if (!DecodeWriteBus(kind, p, n, address, value)) return;
  json.String("address", WordToOctal(address));
  json.String("value", WordToOctal(value));
}

void OpenReadRequest(TIntfType kind, const uint8_t* p, int n, TJsonLine& json) {
  uint32_t address = 0, length = 0;
  if (!DecodeOpenRead(kind, p, n, address, length)) return;
  json.Int("storage_address", address);
  json.Int("length", length);
}

void LengthRequest(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  uint32_t total = 0;
  if (DecodeVersion(p, n, total)) json.Int("total", total);  // the same u32 as a version
}

void NetAddressRequest(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  uint32_t address = 0;
  if (DecodeVersion(p, n, address)) json.Int("net_address", address);
}

template <bool stats>
void ModuleQueryRequest(TIntfType kind, const uint8_t* p, int n, TJsonLine& json) {
  uint32_t type = 0, index = 0;
  if (!DecodeModuleQuery(kind, stats, p, n, type, index)) return;
  json.Int("module_type", type);
  json.Int("index", index);
}

void DacCorrectionFields(TIntfType kind, const uint8_t* p, int n, TJsonLine& json) {
  TDacCorrections values{};
  if (DecodeDacCorrection(kind, p, n, values)) Corrections(values, json);
}

// Reply payloads.

void IdentifyReply(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  if (n < 2) return;
  const uint16_t id = GetU16(p);
  json.Int("id", id);
  json.String("program", id == LOADER_ID                                ? "bootloader"
                         : id == kFirmwareIdOld || id == kFirmwareIdNew ? "firmware"
                                                                        : "unknown");
}

void VersionReply(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  uint32_t word = 0;
  if (DecodeVersion(p, n, word)) Version("version_word", "version", word, json);
}

void UpdateStatusReply(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  uint32_t word = 0;
  if (DecodeVersion(p, n, word)) json.Int("update_status", word);
}

void PanelLinkReply(TIntfType kind, const uint8_t* p, int n, TJsonLine& json) {
  PanelLinkInfo info;
  if (!DecodePanelLink(kind, p, n, info)) return;
  json.Int("console", info.ConsolePresent);
  json.Int("panel_registers", info.PanelRegsPresent);
  Version("version_word", "version", info.Version, json);
}

void ExtModuleReply(TIntfType kind, const uint8_t* p, int n, TJsonLine& json) {
  ExtModuleInfo info;
  if (!DecodeExtModule(kind, p, n, info)) return;
  json.Int("net_address", info.NetAddress);
  json.BeginArray("register_map");
  for (uint8_t entry : info.RegisterMap) json.Int(nullptr, entry);
  json.EndArray();
  Version("version_word", "version", info.Version, json);
}

void StatsReply(TIntfType, const uint8_t* p, int n, TJsonLine& json) {
  ExtModuleStats stats;
  if (!DecodeStats(p, n, stats)) return;
  json.Int("exchanges", stats.Exchanges);
  json.Int("timeouts", stats.Timeouts);
  json.Int("errors", stats.Errors);
}

// The payload fields of the commands that have any; the rest of what a command is comes
// from the command table.
struct TFieldDecoders {
  uint8_t code;
  TCommandSide side;
  TFieldsFn request;
  TFieldsFn reply;
};

constexpr TFieldDecoders kFieldDecoders[] = {
    {cmdIdentify, csBoth, nullptr, IdentifyReply},
    {cmdGetVersion, csBoth, nullptr, VersionReply},
    {cmdReadBus, csApplication, ReadBusRequest, nullptr},  // its data: see AnswerReceived
    {cmdWriteBus, csApplication, WriteBusRequest, nullptr},
    {cmdOpenRead, csBootloader, OpenReadRequest, nullptr},
    {cmdWriteConfig, csBootloader, LengthRequest, nullptr},
    {cmdWriteFirmware, csBootloader, LengthRequest, nullptr},
    {cmdGetOtherVersion, csBoth, nullptr, VersionReply},
    {cmdGetPanelLink, csApplication, nullptr, PanelLinkReply},
    {cmdGetExtModule, csApplication, ModuleQueryRequest<false>, ExtModuleReply},
    {cmdGetPanelStats, csApplication, nullptr, StatsReply},
    {cmdGetExtModuleStats, csApplication, ModuleQueryRequest<true>, StatsReply},
    {cmdGetDacCorrection, csApplication, nullptr, DacCorrectionFields},
    {cmdSetDacCorrection, csApplication, DacCorrectionFields, nullptr},
    {cmdGetBosiVersion, csApplication, nullptr, VersionReply},
    {cmdGetPanelFwVersion, csApplication, nullptr, VersionReply},
    {cmdGetUpdateStatus, csApplication, nullptr, UpdateStatusReply},
    {cmdWriteBosiFirmware, csApplication, LengthRequest, nullptr},
    {cmdWritePanelFirmware, csApplication, LengthRequest, nullptr},
    {cmdPrepareExtModuleUpdate, csApplication, NetAddressRequest, nullptr},
    {cmdWriteExtModuleFirmware, csApplication, LengthRequest, nullptr},
};

const TFieldDecoders* FieldDecoders(const TCommandInfo* info) {
  if (!info) return nullptr;
  for (const TFieldDecoders& row : kFieldDecoders)
    if (row.code == info->code && row.side == info->side) return &row;
  return nullptr;
}

bool Announces(const TCommandInfo* info) {
  return info && info->op == coTransactThenData;
}

bool AwaitsData(const TCommandInfo* info) {
  return info && (info->op == coReadData || info->op == coReadNext);
}

}  // namespace

const char* TraceDirectionName(TTraceDirection direction) {
  return direction == tdToModule ? "out" : "in";
}

const char* TraceLinkName(TIntfType kind) {
  switch (kind) {
    case itHID_OLD:
      return "usb1";
    case itHID_NEW:
      return "usb2";
    default:
      return "udp";
  }
}

void TTraceDecoder::Name(TJsonLine& json) const {
  if (FLast)
    json.String("command", FLast->name);
  else
    json.Null("command");
}

void TTraceDecoder::CommandSent(TIntfType kind, uint8_t code, const uint8_t* payload, int n,
                                TJsonLine& json) {
  FLast = FindCommand(code, FSide);
  Name(json);
  json.Int("code", code);
  FDataLeft = 0;
  json.BeginObject("fields");
  if (const TFieldDecoders* decoders = FieldDecoders(FLast); decoders && decoders->request)
    decoders->request(kind, payload, n, json);
  json.EndObject();
  if (!FLast) return;
  if (FLast->code == cmdReadBus) {
    uint16_t address = 0;
    DecodeReadBus(payload, n, address, FBusWords);
  }
  if (Announces(FLast)) {
    uint32_t total = 0;
    if (DecodeVersion(payload, n, total)) FDataLeft = total;
  }
  // The program that will answer next: the module switches without a word.
  if (FLast->code == cmdEnterLoader && FLast->side == csApplication) FSide = csBootloader;
  if (FLast->code == cmdRestart) FSide = csApplication;
}

void TTraceDecoder::AnswerReceived(TIntfType kind, const uint8_t* payload, int n, TJsonLine& json) {
  Name(json);
  json.BeginObject("fields");
  if (FLast && FLast->code == cmdReadBus && FLast->side == csApplication) {
    json.BeginArray("words");
    const int words = std::min<int64_t>(n / 2, FBusWords);
    for (int i = 0; i < words; ++i) json.String(nullptr, WordToOctal(GetU16(payload + 2 * i)));
    json.EndArray();
  } else if (const TFieldDecoders* decoders = FieldDecoders(FLast); decoders && decoders->reply) {
    decoders->reply(kind, payload, n, json);
  }
  json.EndObject();
  if (FLast && FLast->code == cmdIdentify && n >= 2) {
    const uint16_t id = GetU16(payload);
    if (id == LOADER_ID) FSide = csBootloader;
    if (id == kFirmwareIdOld || id == kFirmwareIdNew) FSide = csApplication;
  }
}

void TTraceDecoder::Describe(TTraceDirection direction, TIntfType kind, const uint8_t* bytes,
                             int size, TJsonLine& json) {
  if (kind == itHID_OLD)
    DescribeLegacy(direction, bytes, size, json);
  else
    DescribeFramed(direction, kind, bytes, size, json);
}

void TTraceDecoder::DescribeFramed(TTraceDirection direction, TIntfType kind, const uint8_t* bytes,
                                   int size, TJsonLine& json) {
  TFramedView view;
  if (!ParseFramedPacket(bytes, size, view)) {
    json.Null("type");
    json.Bool("valid", false);
    return;
  }
  const bool out = direction == tdToModule;
  const char* type = view.type == kPacketTypeData      ? "data"
                     : view.type == kPacketTypeCommand ? (out ? "command" : "reply")
                                                       : "unknown";
  json.String("type", type);
  json.Bool("valid", true);
  json.Int("seq", view.sequence);
  json.Int("length", view.length);
  if (out) {
    if (view.type == kPacketTypeCommand) {
      CommandSent(kind, view.code, view.payload, view.payloadLength, json);
    } else {
      Name(json);
      json.Int("size", view.payloadLength);
      FDataLeft -= view.payloadLength;
    }
    return;
  }
  const bool ok = view.code != kStatusFailure;
  json.Int("status", view.code);
  json.Bool("ok", ok);
  if (view.type == kPacketTypeData) json.Int("size", view.payloadLength);
  if (ok) {
    AnswerReceived(kind, view.payload, view.payloadLength, json);
  } else {
    Name(json);
  }
}

void TTraceDecoder::DescribeLegacy(TTraceDirection direction, const uint8_t* bytes, int size,
                                   TJsonLine& json) {
  json.Null("seq");  // first-generation reports carry no number
  if (size < 2) {
    json.Null("type");
    json.Bool("valid", false);
    return;
  }
  const uint8_t* payload = bytes + 1;  // after the report ID
  const int n = size - 1;
  if (direction == tdToModule) {
    if (FDataLeft <= 0 && bytes[1] == kLegacyCommandMarker && size >= 3) {
      json.String("type", "command");
      CommandSent(itHID_OLD, bytes[2], bytes + 3, size - 3, json);
    } else {
      json.String("type", "data");
      Name(json);
      json.Int("size", n);
      FDataLeft -= n;
    }
    return;
  }
  const bool data = AwaitsData(FLast);
  json.String("type", data ? "data" : "reply");
  if (data) json.Int("size", n);
  AnswerReceived(itHID_OLD, payload, n, json);
}

}  // namespace karvelm
