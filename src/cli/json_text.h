// The tool's JSON answers: a value tree built with the JSON library, written on one line.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace karvelm::cli {

// Keys stay in the order they were added: scripts and tests read the answers as printed.
using TJson = nlohmann::ordered_json;

// One line with ", " and ": " between items; strings escaped by the library, bytes that are not
// UTF-8 (a file name, say) replaced by U+FFFD so the line stays valid JSON.
std::string JsonText(const TJson& value);

// A value, or null when there is none.
template <class T>
TJson JsonOrNull(const std::optional<T>& value) {
  return value ? TJson(*value) : TJson(nullptr);
}

}  // namespace karvelm::cli
