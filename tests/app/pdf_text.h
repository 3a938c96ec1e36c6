// The text of a PDF's pages through pdftotext (poppler-utils), one string a page; with layout,
// the words of a line stay on one line as printed (table rows), else in reading order.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace karvelm {

inline std::vector<std::string> PdfPages(const std::string& path, bool layout = false) {
  const std::string command = std::string("pdftotext -q -enc UTF-8 ") + (layout ? "-layout " : "") +
                              "'" + path + "' - 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run pdftotext";
    return {};
  }
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (::pclose(pipe) != 0) ADD_FAILURE() << "pdftotext failed on " << path;
  // Pages end in a form feed; the last one too.
  std::vector<std::string> pages;
  size_t start = 0;
  for (size_t feed; (feed = text.find('\f', start)) != std::string::npos; start = feed + 1)
    pages.push_back(text.substr(start, feed - start));
  return pages;
}

// The first line of a page that is not blank.
inline std::string FirstLine(const std::string& page) {
  size_t start = 0;
  while (start < page.size()) {
    size_t end = page.find('\n', start);
    if (end == std::string::npos) end = page.size();
    const std::string line = page.substr(start, end - start);
    if (line.find_first_not_of(" \t") != std::string::npos) return line;
    start = end + 1;
  }
  return {};
}

}  // namespace karvelm
