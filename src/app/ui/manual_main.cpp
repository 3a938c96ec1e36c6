// karvelm-manual: writes the user manual's PDF from its Markdown chapters and the screenshots.
//   karvelm-manual --images FOLDER --output FILE.pdf [--title TEXT] CHAPTER.md...
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

#include "app/ui/manual_document.h"

int main(int argc, char** argv) {
  // Fonts and images need a GUI application, never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  karvelm::TManualSources sources;
  sources.title = QStringLiteral("KarvelMcfg");
  QString output;
  const QStringList arguments = app.arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == QLatin1String("--images") && hasValue) {
      sources.imageFolder = arguments[++i];
    } else if (argument == QLatin1String("--output") && hasValue) {
      output = arguments[++i];
    } else if (argument == QLatin1String("--title") && hasValue) {
      sources.title = arguments[++i];
    } else if (argument.startsWith(QLatin1String("--"))) {
      std::fprintf(stderr, "karvelm-manual: unknown option %s\n", qPrintable(argument));
      return 2;
    } else {
      sources.chapters << argument;
    }
  }
  if (output.isEmpty() || sources.chapters.isEmpty()) {
    std::fprintf(stderr,
                 "usage: karvelm-manual --images FOLDER --output FILE.pdf [--title TEXT] "
                 "CHAPTER.md...\n");
    return 2;
  }
  const karvelm::TManualResult result = karvelm::WriteManualPdf(sources, output);
  for (const QString& problem : result.problems)
    std::fprintf(stderr, "karvelm-manual: %s\n", qPrintable(problem));
  if (!result.ok) return 1;
  std::printf("wrote %s, %d pages\n", qPrintable(output), result.pages);
  return 0;
}
