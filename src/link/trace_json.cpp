#include "link/trace_json.h"

#include <charconv>
#include <cstring>

namespace karvelm {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void Escaped(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += c;  // UTF-8 passes as it is
    }
  }
  out += '"';
}

// Both digits of every byte value, so that a packet's hex is one copy per byte.
struct THexPairs {
  char pairs[256][2];
  constexpr THexPairs() : pairs() {
    for (int i = 0; i < 256; ++i) {
      pairs[i][0] = kHexDigits[i >> 4];
      pairs[i][1] = kHexDigits[i & 0xF];
    }
  }
};
constexpr THexPairs kHexPairs;

}  // namespace

void TJsonLine::Key(const char* key) {
  if (!FFirst[FDepth]) FOut += ',';
  FFirst[FDepth] = false;
  if (key) {
    Escaped(FOut, key);
    FOut += ':';
  }
}

void TJsonLine::BeginObject(const char* key) {
  if (FDepth > 0 || key) Key(key);
  FOut += '{';
  if (FDepth < kMaxDepth) ++FDepth;
  FFirst[FDepth] = true;
}

void TJsonLine::EndObject() {
  FOut += '}';
  if (FDepth > 0) --FDepth;
}

void TJsonLine::BeginArray(const char* key) {
  Key(key);
  FOut += '[';
  if (FDepth < kMaxDepth) ++FDepth;
  FFirst[FDepth] = true;
}

void TJsonLine::EndArray() {
  FOut += ']';
  if (FDepth > 0) --FDepth;
}

void TJsonLine::Int(const char* key, int64_t value) {
  Key(key);
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  FOut.append(digits, result.ptr);
}

void TJsonLine::String(const char* key, std::string_view value) {
  Key(key);
  Escaped(FOut, value);
}

void TJsonLine::Bool(const char* key, bool value) {
  Key(key);
  FOut += value ? "true" : "false";
}

void TJsonLine::Null(const char* key) {
  Key(key);
  FOut += "null";
}

void TJsonLine::Hex(const char* key, const uint8_t* bytes, int size) {
  Key(key);
  FOut += '"';
  const size_t at = FOut.size();
  FOut.resize(at + 2 * static_cast<size_t>(size > 0 ? size : 0));
  char* out = FOut.data() + at;
  for (int i = 0; i < size; ++i, out += 2) std::memcpy(out, kHexPairs.pairs[bytes[i]], 2);
  FOut += '"';
}

}  // namespace karvelm
