// A flat JSON object written field by field, enough for the tool's one-object answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace karvelm::cli {

class TJsonObject {
 public:
  TJsonObject& Field(const std::string& name, const std::string& value);
  TJsonObject& Field(const std::string& name, const char* value);
  TJsonObject& Field(const std::string& name, int64_t value);
  TJsonObject& Field(const std::string& name, const std::optional<std::string>& value);
  TJsonObject& Field(const std::string& name, const std::optional<int64_t>& value);
  TJsonObject& Field(const std::string& name, const std::vector<std::string>& values);
  TJsonObject& Field(const std::string& name, const std::vector<int64_t>& values);
  std::string Text() const { return "{" + body_ + "}"; }

 private:
  void Name(const std::string& name);
  std::string body_;
};

std::string JsonQuote(const std::string& text);

}  // namespace karvelm::cli
