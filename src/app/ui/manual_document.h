// The user manual: Markdown chapters with their screenshots, laid out on A4 pages and written
// as a PDF (karvelm-manual, run by the build).
#pragma once

#include <QString>
#include <QStringList>

namespace karvelm {

struct TManualSources {
  QStringList chapters;  // Markdown files, in reading order
  QString imageFolder;   // where the chapters' image names are looked up
  QString title;         // the PDF's title and the page footer
};

struct TManualResult {
  bool ok = false;
  int pages = 0;
  QStringList problems;  // unreadable chapters, missing images, an unwritable output
};

// A line of its own with this text becomes the table of contents: every chapter (heading of
// level 1) and its sections (level 2) with the page each starts on.
inline constexpr const char* kContentsMarker = "[[contents]]";

// Every chapter starts on a new page; images are shrunk to the text width and the page height.
// Nothing is written when a chapter or an image is missing, so that a broken manual fails the
// build instead of shipping with holes.
TManualResult WriteManualPdf(const TManualSources& sources, const QString& pdfPath);

}  // namespace karvelm
