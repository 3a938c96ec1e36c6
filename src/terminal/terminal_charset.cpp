#include "terminal/terminal_charset.h"

namespace karvelm {

namespace {

constexpr std::array<char16_t, 128> BuildCharset() {
  std::array<char16_t, 128> table{};
  for (int code = 0x00; code < 0x20; ++code) table[code] = u'?';
  table[0x03] = u'o';
  table[0x0A] = u'\n';
  table[0x0D] = u'\r';
  table[0x17] = u'`';
  table[0x1B] = u'<';
  table[0x1C] = u'>';
  table[0x1E] = u'o';
  for (int code = 0x20; code < 0x60; ++code) table[code] = static_cast<char16_t>(code);
  table[0x22] = u'~';
  table[0x24] = u'\u00A4';
  table[0x27] = u'~';
  table[0x40] = u'*';
  table[0x5C] = u'|';
  // KOI-7 N2 capitals in code order.
  constexpr std::u16string_view cyrillic = u"ЮАБЦДЕФГХИЙКЛМНОПЯРСТУЖВЬЫЗШЭЩЧ";
  static_assert(cyrillic.size() == 0x7F - 0x60);
  for (size_t i = 0; i < cyrillic.size(); ++i) table[0x60 + i] = cyrillic[i];
  table[0x7F] = u'|';
  return table;
}

}  // namespace

const std::array<char16_t, 128> TerminalCharset = BuildCharset();

std::string TerminalUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace karvelm
