#include "cli/json_writer.h"

#include <cstdio>

namespace karvelm::cli {

std::string JsonQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);  // UTF-8 passes through
        }
    }
  }
  return out + "\"";
}

void TJsonObject::Name(const std::string& name) {
  if (!body_.empty()) body_ += ", ";
  body_ += JsonQuote(name) + ": ";
}

TJsonObject& TJsonObject::Field(const std::string& name, const std::string& value) {
  Name(name);
  body_ += JsonQuote(value);
  return *this;
}

TJsonObject& TJsonObject::Field(const std::string& name, const char* value) {
  return Field(name, std::string(value));
}

TJsonObject& TJsonObject::Field(const std::string& name, int64_t value) {
  Name(name);
  body_ += std::to_string(value);
  return *this;
}

TJsonObject& TJsonObject::Field(const std::string& name, const std::optional<std::string>& value) {
  if (value) return Field(name, *value);
  Name(name);
  body_ += "null";
  return *this;
}

TJsonObject& TJsonObject::Field(const std::string& name, const std::optional<int64_t>& value) {
  if (value) return Field(name, *value);
  Name(name);
  body_ += "null";
  return *this;
}

TJsonObject& TJsonObject::Field(const std::string& name, const std::vector<std::string>& values) {
  Name(name);
  body_ += "[";
  for (size_t i = 0; i < values.size(); ++i) body_ += (i ? ", " : "") + JsonQuote(values[i]);
  body_ += "]";
  return *this;
}

TJsonObject& TJsonObject::Field(const std::string& name, const std::vector<int64_t>& values) {
  Name(name);
  body_ += "[";
  for (size_t i = 0; i < values.size(); ++i) body_ += (i ? ", " : "") + std::to_string(values[i]);
  body_ += "]";
  return *this;
}

}  // namespace karvelm::cli
