// The user manual: the PDF the build wrote has a page for every page of the main window, and
// the writer lays chapters, pictures and the contents out as it should.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/shell_window.h"
#include "app/ui/manual_document.h"
#include "diag/sub_pages.h"
#include "pdf_text.h"
#include "qt_test_environment.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

// The page that begins with the caption, searched from the given page on; -1 when none does.
int PageStartingWith(const std::vector<std::string>& pages, const std::string& caption, int from) {
  for (int i = std::max(from, 0); i < static_cast<int>(pages.size()); ++i) {
    if (FirstLine(pages[i]) == caption) return i;
  }
  return -1;
}

TEST(BuiltManual, EveryMainWindowPageStartsAPageInTabOrder) {
  const std::vector<std::string> pages = PdfPages(KARVELM_MANUAL_PDF);
  ASSERT_GT(pages.size(), std::size(kMainPages)) << KARVELM_MANUAL_PDF;
  int previous = -1;
  std::vector<int> starts;
  for (const TPageTab& tab : kMainPages) {
    const int page = PageStartingWith(pages, tab.caption, previous + 1);
    EXPECT_GT(page, previous) << "no page after page " << previous + 1 << " begins with \""
                              << tab.caption << "\"";
    EXPECT_EQ(PageStartingWith(pages, tab.caption, page + 1), -1)
        << "two pages begin with \"" << tab.caption << "\"";
    if (page < 0) return;
    starts.push_back(page);
    previous = page;
  }
  // The diagnostics sub-pages in their tab order, inside the diagnostics chapter.
  std::string diagnostics;
  for (int i = starts[mpDiagnostics]; i < starts[mpDiagnostics + 1]; ++i) diagnostics += pages[i];
  size_t at = 0;
  for (const TPageTab& tab : kDiagSubPages) {
    const size_t found = diagnostics.find(std::string(tab.caption) + "\n", at);
    EXPECT_NE(found, std::string::npos) << "\"" << tab.caption << "\" in the diagnostics chapter";
    if (found == std::string::npos) return;
    at = found + 1;
  }
}

class ManualWriter : public testing::Test {
 protected:
  std::string Chapter(const std::string& name, const std::string& text) {
    return folder.Write(name, text);
  }
  TManualResult Write(const std::vector<std::string>& chapters) {
    TManualSources sources;
    for (const std::string& chapter : chapters) sources.chapters << QString::fromStdString(chapter);
    sources.imageFolder = QString::fromStdString(folder.Path());
    sources.title = QStringLiteral("Проба");
    return WriteManualPdf(sources, QString::fromStdString(Pdf()));
  }
  std::string Pdf() const { return folder.File("out.pdf"); }
  TTempFolder folder;
};

TEST_F(ManualWriter, ChaptersOnNewPagesWithContentsAndPageNumbers) {
  // Far wider and taller than a page: it must shrink to fit, not spill or push text away.
  QImage picture(3000, 6000, QImage::Format_RGB32);
  picture.fill(QColor(20, 120, 40));
  ASSERT_TRUE(picture.save(QString::fromStdString(folder.File("shot.png"))));
  const TManualResult result = Write(
      {Chapter("a.md", "# Руководство\n\n[[contents]]\n"),
       Chapter("b.md",
               "# Первая\n\n![картинка](shot.png)\n\nПосле картинки.\n\n## Раздел\n\nТекст.\n"),
       Chapter("c.md", "# Вторая\n\n```\nkarvelm identify\n```\n")});
  ASSERT_TRUE(result.ok) << result.problems.join("; ").toStdString();
  const std::vector<std::string> pages = PdfPages(Pdf());
  ASSERT_EQ(static_cast<int>(pages.size()), result.pages);
  // Laid out as printed, so that a contents line keeps its page number.
  const std::vector<std::string> printed = PdfPages(Pdf(), true);
  ASSERT_EQ(printed.size(), pages.size());
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(FirstLine(pages[0]), "Руководство");
  EXPECT_EQ(FirstLine(pages[1]), "Первая");
  EXPECT_EQ(FirstLine(pages[2]), "Вторая");
  // The picture and the text after it share the chapter's page.
  EXPECT_NE(pages[1].find("После картинки."), std::string::npos);
  EXPECT_NE(pages[2].find("karvelm identify"), std::string::npos);
  // Contents: each heading with the page it starts on; the marker itself is gone.
  const std::string& contents = printed[0];
  EXPECT_EQ(contents.find("[[contents]]"), std::string::npos);
  for (const char* entry : {"Первая\\s+2\\b", "Раздел\\s+2\\b", "Вторая\\s+3\\b"})
    EXPECT_TRUE(std::regex_search(contents, std::regex(entry))) << entry << " in:\n" << contents;
  // Footer: the title and the page of pages.
  EXPECT_NE(pages[2].find("Проба"), std::string::npos);
  EXPECT_TRUE(std::regex_search(pages[2], std::regex("\\b3\\s*/\\s*3\\b")));
}

TEST_F(ManualWriter, MissingPartsFailAndWriteNothing) {
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::white);
  ASSERT_TRUE(picture.save(QString::fromStdString(folder.File("there.png"))));
  const struct {
    const char* name;
    std::vector<std::string> chapters;
    const char* problem;
  } cases[] = {
      {"missing image", {Chapter("image.md", "# A\n\n![картинка](nowhere.png)\n")}, "nowhere.png"},
      // The Markdown reader drops a picture without alternative text.
      {"picture without text", {Chapter("untitled.md", "# A\n\n![](there.png)\n")}, "there.png"},
      {"missing chapter", {Chapter("first.md", "# A\n"), folder.File("gone.md")}, "gone.md"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TManualResult result = Write(c.chapters);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.problems.join("\n").contains(QString::fromUtf8(c.problem)))
        << result.problems.join("\n").toStdString();
    EXPECT_FALSE(std::filesystem::exists(Pdf()));
  }
}

}  // namespace
}  // namespace karvelm
