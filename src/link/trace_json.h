// One JSON object appended to a string, written field by field. The packet trace writes one
// for every packet while the link waits on the module, so it builds no value tree; keys are
// the caller's constants, string values are escaped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace karvelm {

class TJsonLine {
 public:
  explicit TJsonLine(std::string& out) : FOut(out) {}

  // key is nullptr inside an array.
  void BeginObject(const char* key = nullptr);
  void EndObject();
  void BeginArray(const char* key);
  void EndArray();

  void Int(const char* key, int64_t value);
  void String(const char* key, std::string_view value);
  void Bool(const char* key, bool value);
  void Null(const char* key);
  // Lower-case hex digits of the bytes, as one string.
  void Hex(const char* key, const uint8_t* bytes, int size);

 private:
  void Key(const char* key);

  static constexpr int kMaxDepth = 8;
  std::string& FOut;
  int FDepth = 0;
  bool FFirst[kMaxDepth + 1] = {true};
};

}  // namespace karvelm
