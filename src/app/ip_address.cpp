#include "app/ip_address.h"

namespace karvelm {

bool IsValidIpAddress(const std::string& text) {
  int octets = 0;
  size_t i = 0;
  while (true) {
    size_t start = i;
    int value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) {
      value = value * 10 + (text[i] - '0');
      ++i;
    }
    if (i == start || value > 255) return false;
    ++octets;
    if (i == text.size()) return octets == 4;
    if (text[i] != '.' || octets == 4) return false;
    ++i;
  }
}

}  // namespace karvelm
