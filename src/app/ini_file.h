// A small INI document: sections of key=value lines, names compared without regard to
// case as the platform's INI calls do. Lines it does not change are written back as read,
// so other programs' keys and comments survive a save.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace karvelm {

class TIniDocument {
 public:
  // Replaces the content with the text of an INI file.
  void Parse(const std::string& text);
  std::string Text() const;

  std::optional<std::string> ReadString(const std::string& section, const std::string& key) const;
  // A whole decimal number (optional sign, surrounding blanks allowed); otherwise the default.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  // Stored as an integer: anything but 0 is true.
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

 private:
  // Index of the section header line, or npos-like -1.
  int FindSection(const std::string& section) const;
  int FindKey(int sectionLine, const std::string& key) const;

  std::vector<std::string> FLines;
};

// Reads the whole file; false when it cannot be opened.
bool ReadTextFile(const std::string& path, std::string& text);
// Writes through a temporary file beside path that replaces it once complete. On failure
// the reason is in error and the old file is unchanged.
bool WriteTextFileAtomic(const std::string& path, const std::string& text, std::string& error);

}  // namespace karvelm
