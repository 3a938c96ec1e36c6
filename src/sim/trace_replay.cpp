#include "sim/trace_replay.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "base/byte_order.h"
#include "link/commands.h"
#include "link/framing.h"

namespace karvelm {

namespace {

std::runtime_error LineError(size_t line, const std::string& what) {
  return std::runtime_error("line " + std::to_string(line) + ": " + what);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(const std::string& text, std::vector<uint8_t>& bytes) {
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", value & 0xFF);
  return text;
}

// The bytes of a framed packet that say what it is: the length field where it fits.
int PacketLength(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < static_cast<size_t>(kFramedHeaderSize)) return static_cast<int>(bytes.size());
  return std::min<int>(GetU16(bytes.data() + 2), static_cast<int>(bytes.size()));
}

std::string Describe(const std::vector<uint8_t>& bytes, const std::string& name) {
  if (bytes.size() < static_cast<size_t>(kFramedHeaderSize))
    return "a packet of " + std::to_string(bytes.size()) + " bytes";
  std::string text = bytes[0] == kPacketTypeData ? std::string("a data packet")
                                                 : (name.empty() ? "code " + Hex2(bytes[1]) : name);
  text += " (type " + std::to_string(bytes[0]) + ", code " + Hex2(bytes[1]) + ", seq " +
          std::to_string(GetU32(bytes.data() + 4)) + ", length " +
          std::to_string(GetU16(bytes.data() + 2)) + ")";
  return text;
}

// The command name of a live request: the recording's where the code is the one expected
// (it knows which program was answering), else the first the command table lists.
std::string LiveName(const std::vector<uint8_t>& live, const TReplayPacket* expected) {
  if (live.size() < 2) return {};
  if (expected && expected->bytes.size() > 1 && live[0] == expected->bytes[0] &&
      live[1] == expected->bytes[1])
    return expected->command;
  return CommandName(live[1], csBoth);
}

// The first byte where two requests differ, ignoring the sequence number and checksum that
// every run fills anew and the padding after the packet; -1 when they are the same request.
int FirstDifference(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& live) {
  const int expectedLength = PacketLength(expected), liveLength = PacketLength(live);
  const int common = std::min(expectedLength, liveLength);
  for (int i = 0; i < common; ++i) {
    if (i >= 4 && i < kFramedHeaderSize) continue;
    if (expected[static_cast<size_t>(i)] != live[static_cast<size_t>(i)]) return i;
  }
  return expectedLength == liveLength ? -1 : common;
}

// The recorded answer with its sequence number moved as far as the live request's moved.
std::vector<uint8_t> Renumbered(std::vector<uint8_t> answer, uint32_t shift) {
  if (answer.size() < static_cast<size_t>(kFramedHeaderSize)) return answer;
  const int length = PacketLength(answer);
  uint8_t* bytes = answer.data();
  // A checksum recorded wrong (a fault in the field) stays wrong.
  const uint32_t recorded = GetU32(bytes + 8);
  PutU32(bytes + 8, 0);
  const bool checksumRight = PacketChecksum(bytes, static_cast<size_t>(length)) == recorded;
  PutU32(bytes + 4, GetU32(bytes + 4) + shift);
  PutU32(bytes + 8, checksumRight ? PacketChecksum(bytes, static_cast<size_t>(length)) : recorded);
  return answer;
}

}  // namespace

TTraceReplay::TTraceReplay(std::istream& in) {
  std::string text;
  for (size_t line = 1; std::getline(in, text); ++line) {
    if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
    nlohmann::json entry;
    try {
      entry = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception&) {
      throw LineError(line, "not a JSON line");
    }
    if (!entry.is_object() || !entry.contains("dir") || !entry.contains("hex") ||
        !entry.contains("link") || !entry["dir"].is_string() || !entry["hex"].is_string() ||
        !entry["link"].is_string())
      throw LineError(line, "not a packet of a trace (dir, link and hex missing)");
    const std::string dir = entry["dir"], link = entry["link"];
    if (dir != "out" && dir != "in") throw LineError(line, "direction '" + dir + "'");
    if (link != "udp")
      throw LineError(line, "a packet of the " + link + " link; only Ethernet (udp) traces replay");
    TReplayPacket packet;
    packet.line = line;
    packet.request = dir == "out";
    if (!FromHex(entry["hex"], packet.bytes)) throw LineError(line, "bad hex bytes");
    if (entry.contains("command") && entry["command"].is_string())
      packet.command = entry["command"];
    FRequestCount += packet.request;
    FPackets.push_back(std::move(packet));
  }
}

TTraceReplay TTraceReplay::FromFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  try {
    return TTraceReplay(in);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
}

void TTraceReplay::Depart(std::string text) {
  if (FDeparture.empty()) FDeparture = std::move(text);
}

std::vector<std::vector<uint8_t>> TTraceReplay::Answer(const uint8_t* bytes, int size) {
  std::vector<std::vector<uint8_t>> answers;
  if (!FDeparture.empty()) return answers;
  const std::vector<uint8_t> live(bytes, bytes + std::max(size, 0));
  // Anything the module sent before the first request goes out with the first answer.
  for (; FNext < FPackets.size() && !FPackets[FNext].request; ++FNext)
    answers.push_back(FPackets[FNext].bytes);
  const std::string position = "request " + std::to_string(FServed + 1);
  if (FNext >= FPackets.size()) {
    Depart(position + ": the recording has no more requests, received " +
           Describe(live, LiveName(live, nullptr)));
    return {};
  }
  const TReplayPacket& expected = FPackets[FNext];
  if (const int at = FirstDifference(expected.bytes, live); at >= 0) {
    const std::string liveName = LiveName(live, &expected);
    std::string text = position + " (line " + std::to_string(expected.line) + "): expected " +
                       Describe(expected.bytes, expected.command) + ", received " +
                       Describe(live, liveName) + "; they differ at byte " + std::to_string(at);
    const auto byteAt = [at](const std::vector<uint8_t>& packet) {
      return at < PacketLength(packet) ? Hex2(packet[static_cast<size_t>(at)]) : "the end";
    };
    text += " (expected " + byteAt(expected.bytes) + ", received " + byteAt(live) + ")";
    Depart(std::move(text));
    return {};
  }
  const uint32_t shift = live.size() >= static_cast<size_t>(kFramedHeaderSize) &&
                                 expected.bytes.size() >= static_cast<size_t>(kFramedHeaderSize)
                             ? GetU32(live.data() + 4) - GetU32(expected.bytes.data() + 4)
                             : 0;
  ++FServed;
  for (++FNext; FNext < FPackets.size() && !FPackets[FNext].request; ++FNext)
    answers.push_back(Renumbered(FPackets[FNext].bytes, shift));
  return answers;
}

std::string TTraceReplay::Unfinished() const {
  if (!FDeparture.empty() || FServed == FRequestCount) return {};
  size_t next = FNext;
  while (next < FPackets.size() && !FPackets[next].request) ++next;
  if (next >= FPackets.size()) return {};
  const TReplayPacket& expected = FPackets[next];
  return "the live requests stopped after request " + std::to_string(FServed) + " of " +
         std::to_string(FRequestCount) + "; the recording goes on at line " +
         std::to_string(expected.line) + " with " + Describe(expected.bytes, expected.command);
}

}  // namespace karvelm
