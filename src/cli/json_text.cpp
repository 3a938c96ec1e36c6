#include "cli/json_text.h"

namespace karvelm::cli {

namespace {

void Append(std::string& out, const TJson& value) {
  if (value.is_object()) {
    out += '{';
    bool first = true;
    for (const auto& [key, item] : value.items()) {
      if (!first) out += ", ";
      first = false;
      Append(out, TJson(key));
      out += ": ";
      Append(out, item);
    }
    out += '}';
  } else if (value.is_array()) {
    out += '[';
    for (size_t i = 0; i < value.size(); ++i) {
      if (i) out += ", ";
      Append(out, value[i]);
    }
    out += ']';
  } else {
    out += value.dump(-1, ' ', false, TJson::error_handler_t::replace);
  }
}

}  // namespace

std::string JsonText(const TJson& value) {
  std::string out;
  Append(out, value);
  return out;
}

}  // namespace karvelm::cli
