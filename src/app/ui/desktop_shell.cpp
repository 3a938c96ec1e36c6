#include "app/ui/desktop_shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/app_texts.h"

namespace karvelm {

namespace {

class TQtDesktopShell final : public TDesktopShell {
 public:
  void OpenDocument(const QString& path) override {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  }
};

TDesktopShell* installed = nullptr;

}  // namespace

TDesktopShell& DesktopShell() {
  static TQtDesktopShell desktop;
  return installed ? *installed : desktop;
}

void SetDesktopShell(TDesktopShell* shell) {
  installed = shell;
}

QString FindHelpDocument(const QString& currentFolder, const QString& programFolder) {
  const QString name = QString::fromUtf8(kHelpDocument);
  const QDir program(programFolder);
  const QString besideProgram = program.filePath(name);
  const QString candidates[] = {
      QDir(currentFolder).filePath(name),
      besideProgram,
      QDir::cleanPath(program.filePath(QStringLiteral(KARVELM_INSTALLED_HELP_FOLDER "/") + name)),
      QDir::cleanPath(program.filePath(QStringLiteral(KARVELM_BUILT_HELP_FOLDER "/") + name)),
  };
  for (const QString& candidate : candidates) {
    if (QFileInfo(candidate).isFile()) return candidate;
  }
  return besideProgram;
}

QString HelpDocumentPath() {
  return FindHelpDocument(QDir::currentPath(), QCoreApplication::applicationDirPath());
}

}  // namespace karvelm
