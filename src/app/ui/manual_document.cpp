#include "app/ui/manual_document.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <cmath>
#include <vector>

namespace karvelm {

namespace {

constexpr int kResolution = 300;  // dots per inch of the PDF's layout
constexpr double kMarginSideMm = 20;
constexpr double kMarginTopMm = 18;
constexpr double kMarginBottomMm = 22;  // room for the footer
constexpr double kFooterFromBottomMm = 12;
// Layout units of images: pixels of a 96 dpi screen, which the layout scales to the device.
constexpr double kImageDpi = 96;
// An image may take at most this share of the page's text height, so its caption fits too.
constexpr double kImageHeightShare = 0.8;
const char* const kTextFace = "DejaVu Sans";
const char* const kFixedFace = "DejaVu Sans Mono";

double MmToDots(double mm) {
  return mm / 25.4 * kResolution;
}

// Frame margins, like images, are given in 96 dpi pixels; the layout scales them.
double MmToLayoutUnits(double mm) {
  return mm / 25.4 * kImageDpi;
}

struct TPageGeometry {
  QSizeF page;  // the whole sheet, dots
  QSizeF text;  // inside the margins, dots
};

bool ReadChapters(const QStringList& paths, QString& markdown, QStringList& problems) {
  for (const QString& path : paths) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      problems << QStringLiteral("cannot read chapter %1: %2").arg(path, file.errorString());
      continue;
    }
    // A blank line between chapters, so that no chapter's last paragraph runs into the next.
    markdown += QString::fromUtf8(file.readAll());
    markdown += QStringLiteral("\n\n");
  }
  return problems.isEmpty();
}

// Each image from the image folder, shrunk to fit the text area with its proportions kept.
void PlaceImages(QTextDocument& document, const QString& markdown, const QString& folder,
                 const TPageGeometry& geometry, QStringList& problems) {
  struct TImageRun {
    int position;
    int length;
    QTextImageFormat format;
  };
  std::vector<TImageRun> runs;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.charFormat().isImageFormat())
        runs.push_back(
            {fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
    }
  }
  // The importer drops a picture without alternative text; it would be missing unseen.
  QStringList placed;
  for (const TImageRun& run : runs) placed << run.format.name();
  static const QRegularExpression reference(QStringLiteral("!\\[([^\\]]*)\\]\\(([^)\\s]+)"));
  for (auto it = reference.globalMatch(markdown); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    if (!placed.contains(match.captured(2)))
      problems << QStringLiteral("image %1 was not placed; it needs a text: ![text](%1)")
                      .arg(match.captured(2));
  }
  const double toImageUnits = kImageDpi / kResolution;
  const double maxWidth = geometry.text.width() * toImageUnits;
  const double maxHeight = geometry.text.height() * toImageUnits * kImageHeightShare;
  for (TImageRun& run : runs) {
    const QString name = run.format.name();
    const QString path = QFileInfo(name).isAbsolute() ? name : QDir(folder).filePath(name);
    QImage image(path);
    if (image.isNull()) {
      problems << QStringLiteral("missing image %1").arg(path);
      continue;
    }
    document.addResource(QTextDocument::ImageResource, QUrl(name), image);
    const double scale = std::min({1.0, maxWidth / image.width(), maxHeight / image.height()});
    run.format.setWidth(std::floor(image.width() * scale));
    run.format.setHeight(std::floor(image.height() * scale));
    QTextCursor cursor(&document);
    cursor.setPosition(run.position);
    cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
    cursor.setCharFormat(run.format);
    // A picture alone in its paragraph stands in the middle of the line.
    if (cursor.block().length() - 1 == run.length) {
      QTextBlockFormat centred = cursor.blockFormat();
      centred.setAlignment(Qt::AlignHCenter);
      cursor.setBlockFormat(centred);
    }
  }
}

// Code and command lines in the fixed face the markdown marks them with; the platform may offer
// no fixed face of its own.
void FixFixedPitch(QTextDocument& document) {
  QTextCharFormat fixed;
  fixed.setFontFamilies(QStringList{QString::fromUtf8(kFixedFace)});
  fixed.setFontFixedPitch(true);
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    std::vector<std::pair<int, int>> spans;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.charFormat().fontFixedPitch())
        spans.emplace_back(fragment.position(), fragment.length());
    }
    for (const auto& [position, length] : spans) {
      QTextCursor cursor(&document);
      cursor.setPosition(position);
      cursor.setPosition(position + length, QTextCursor::KeepAnchor);
      cursor.mergeCharFormat(fixed);
    }
  }
}

void StartChaptersOnNewPages(QTextDocument& document) {
  for (QTextBlock block = document.begin().next(); block.isValid(); block = block.next()) {
    if (block.blockFormat().headingLevel() != 1) continue;
    QTextCursor cursor(block);
    QTextBlockFormat format = block.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.setBlockFormat(format);
  }
}

struct TContentsEntry {
  int headingPosition;
  QTextTable* table;
  int row;  // its page number in column 1
};

// Replaces the marker line with a table of the headings after it; the page numbers are filled
// in once the document is laid out.
std::vector<TContentsEntry> InsertContents(QTextDocument& document) {
  QTextBlock marker;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block.text().trimmed() == QLatin1String(kContentsMarker)) {
      marker = block;
      break;
    }
  }
  if (!marker.isValid()) return {};
  struct THeading {
    QString text;
    int level;
  };
  std::vector<THeading> headings;
  for (QTextBlock block = marker.next(); block.isValid(); block = block.next()) {
    const int level = block.blockFormat().headingLevel();
    if (level == 1 || level == 2) headings.push_back({block.text(), level});
  }
  QTextCursor cursor(marker);
  cursor.select(QTextCursor::BlockUnderCursor);
  cursor.movePosition(QTextCursor::StartOfBlock);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();

  QTextTableFormat tableFormat;
  tableFormat.setBorder(0);
  tableFormat.setCellPadding(0);
  tableFormat.setCellSpacing(0);
  tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
  tableFormat.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                         QTextLength(QTextLength::PercentageLength, 10)});
  QTextTable* table = cursor.insertTable(static_cast<int>(headings.size()), 2, tableFormat);
  for (int row = 0; row < static_cast<int>(headings.size()); ++row) {
    QTextCursor title = table->cellAt(row, 0).firstCursorPosition();
    QTextBlockFormat indent;
    indent.setIndent(headings[row].level - 1);
    title.setBlockFormat(indent);
    QTextCharFormat face;
    face.setFontWeight(headings[row].level == 1 ? QFont::Bold : QFont::Normal);
    title.insertText(headings[row].text, face);
    QTextCursor page = table->cellAt(row, 1).firstCursorPosition();
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    page.setBlockFormat(right);
    page.insertText(QStringLiteral("00"));
  }
  // The headings themselves, found again after the table moved them.
  std::vector<TContentsEntry> entries;
  const int tableEnd = table->lastPosition();
  size_t next = 0;
  for (QTextBlock block = document.begin(); block.isValid() && next < headings.size();
       block = block.next()) {
    if (block.position() <= tableEnd) continue;
    const int level = block.blockFormat().headingLevel();
    if (level == 1 || level == 2)
      entries.push_back({block.position(), table, static_cast<int>(next++)});
  }
  return entries;
}

void FillContentsPages(QTextDocument& document, const std::vector<TContentsEntry>& entries,
                       double pageHeight) {
  // Every page first: the numbers are written in place after the headings were looked up.
  QAbstractTextDocumentLayout* layout = document.documentLayout();
  std::vector<int> pages;
  for (const TContentsEntry& entry : entries) {
    const QTextBlock heading = document.findBlock(entry.headingPosition);
    // The first line, not the block: a heading at the foot of a page moves to the next one
    // without its top margin.
    double top = layout->blockBoundingRect(heading).top();
    if (heading.layout() && heading.layout()->lineCount() > 0)
      top += heading.layout()->lineAt(0).rect().center().y();
    pages.push_back(static_cast<int>(top / pageHeight) + 1);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    QTextCursor cursor = entries[i].table->cellAt(entries[i].row, 1).firstCursorPosition();
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(QString::number(pages[i]));
  }
}

void DrawFooter(QPainter& painter, const TPageGeometry& geometry, const QString& title, int page,
                int pages) {
  QFont face(QString::fromUtf8(kTextFace));
  face.setPointSizeF(8);
  painter.setFont(face);
  painter.setPen(QColor(90, 90, 90));
  const double side = MmToDots(kMarginSideMm);
  const double baseline = geometry.page.height() - MmToDots(kFooterFromBottomMm);
  const QRectF band(side, baseline - MmToDots(5), geometry.text.width(), MmToDots(5));
  painter.drawLine(QPointF(side, band.top()), QPointF(side + band.width(), band.top()));
  painter.drawText(band, Qt::AlignLeft | Qt::AlignBottom, title);
  painter.drawText(band, Qt::AlignRight | Qt::AlignBottom,
                   QStringLiteral("%1 / %2").arg(page).arg(pages));
}

}  // namespace

TManualResult WriteManualPdf(const TManualSources& sources, const QString& pdfPath) {
  TManualResult result;
  QString markdown;
  ReadChapters(sources.chapters, markdown, result.problems);

  QSaveFile output(pdfPath);
  if (!output.open(QIODevice::WriteOnly)) {
    result.problems << QStringLiteral("cannot write %1: %2").arg(pdfPath, output.errorString());
    return result;
  }
  QPdfWriter writer(&output);
  writer.setResolution(kResolution);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setTitle(sources.title);
  writer.setCreator(QStringLiteral("karvelm-manual"));

  TPageGeometry geometry;
  geometry.page = QSizeF(writer.width(), writer.height());
  geometry.text =
      QSizeF(geometry.page.width() - 2 * MmToDots(kMarginSideMm),
             geometry.page.height() - MmToDots(kMarginTopMm) - MmToDots(kMarginBottomMm));

  QTextDocument document;
  QFont face(QString::fromUtf8(kTextFace));
  face.setPointSizeF(10);
  document.setDefaultFont(face);
  document.documentLayout()->setPaintDevice(&writer);
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  PlaceImages(document, markdown, sources.imageFolder, geometry, result.problems);
  if (!result.problems.isEmpty()) {
    output.cancelWriting();
    return result;
  }
  FixFixedPitch(document);
  StartChaptersOnNewPages(document);
  const std::vector<TContentsEntry> contents = InsertContents(document);

  QTextFrameFormat frame = document.rootFrame()->frameFormat();
  frame.setLeftMargin(MmToLayoutUnits(kMarginSideMm));
  frame.setRightMargin(MmToLayoutUnits(kMarginSideMm));
  frame.setTopMargin(MmToLayoutUnits(kMarginTopMm));
  frame.setBottomMargin(MmToLayoutUnits(kMarginBottomMm));
  document.rootFrame()->setFrameFormat(frame);
  document.setPageSize(geometry.page);
  FillContentsPages(document, contents, geometry.page.height());

  QPainter painter(&writer);
  const int pages = document.pageCount();
  for (int page = 0; page < pages; ++page) {
    if (page > 0) writer.newPage();
    const QRectF view(0, page * geometry.page.height(), geometry.page.width(),
                      geometry.page.height());
    painter.save();
    painter.translate(0, -view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    document.documentLayout()->draw(&painter, context);
    painter.restore();
    DrawFooter(painter, geometry, sources.title, page + 1, pages);
  }
  if (!painter.end() || !output.commit()) {
    result.problems << QStringLiteral("cannot write %1: %2").arg(pdfPath, output.errorString());
    return result;
  }
  result.ok = true;
  result.pages = pages;
  return result;
}

}  // namespace karvelm
