#include "app/ini_file.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace karvelm {

namespace {

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x < 0x80 && y < 0x80) {
      if (std::tolower(x) != std::tolower(y)) return false;
    } else if (x != y) {
      return false;
    }
  }
  return true;
}

// The name of a "[name]" line, if it is one.
std::optional<std::string> SectionName(const std::string& line) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

}  // namespace

void TIniDocument::Parse(const std::string& text) {
  FLines.clear();
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    FLines.push_back(line);
  }
}

std::string TIniDocument::Text() const {
  std::string out;
  for (const auto& line : FLines) out += line + "\n";
  return out;
}

int TIniDocument::FindSection(const std::string& section) const {
  for (size_t i = 0; i < FLines.size(); ++i) {
    auto name = SectionName(FLines[i]);
    if (name && SameName(*name, section)) return static_cast<int>(i);
  }
  return -1;
}

int TIniDocument::FindKey(int sectionLine, const std::string& key) const {
  for (size_t i = sectionLine + 1; i < FLines.size(); ++i) {
    if (SectionName(FLines[i])) break;
    std::string t = Trim(FLines[i]);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    if (SameName(Trim(t.substr(0, eq)), key)) return static_cast<int>(i);
  }
  return -1;
}

std::optional<std::string> TIniDocument::ReadString(const std::string& section,
                                                    const std::string& key) const {
  int s = FindSection(section);
  if (s < 0) return std::nullopt;
  int k = FindKey(s, key);
  if (k < 0) return std::nullopt;
  const std::string& line = FLines[k];
  return Trim(line.substr(line.find('=') + 1));
}

int TIniDocument::ReadInteger(const std::string& section, const std::string& key,
                              int defaultValue) const {
  auto text = ReadString(section, key);
  if (!text || text->empty()) return defaultValue;
  const char* begin = text->c_str();
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    return defaultValue;
  return static_cast<int>(value);
}

bool TIniDocument::ReadBool(const std::string& section, const std::string& key,
                            bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniDocument::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
  int s = FindSection(section);
  if (s < 0) {
    if (!FLines.empty() && !Trim(FLines.back()).empty()) FLines.emplace_back();
    FLines.push_back("[" + section + "]");
    FLines.push_back(key + "=" + value);
    return;
  }
  int k = FindKey(s, key);
  if (k >= 0) {
    FLines[k] = key + "=" + value;
    return;
  }
  // After the section's last non-blank line.
  size_t insertAt = s + 1;
  for (size_t i = s + 1; i < FLines.size() && !SectionName(FLines[i]); ++i) {
    if (!Trim(FLines[i]).empty()) insertAt = i + 1;
  }
  FLines.insert(FLines.begin() + static_cast<long>(insertAt), key + "=" + value);
}

void TIniDocument::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniDocument::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool ReadTextFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

bool WriteTextFileAtomic(const std::string& path, const std::string& text, std::string& error) {
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  int savedErrno = ok ? 0 : errno;
  if (std::fflush(file) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::fsync(::fileno(file)) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    std::remove(temporary.c_str());
    error = std::strerror(savedErrno ? savedErrno : EIO);
  }
  return ok;
}

}  // namespace karvelm
