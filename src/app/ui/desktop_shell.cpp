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

QString HelpDocumentPath() {
  const QString name = QString::fromUtf8(kHelpDocument);
  const QString inCurrentFolder = QDir::current().filePath(name);
  if (QFileInfo::exists(inCurrentFolder)) return inCurrentFolder;
  return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

}  // namespace karvelm
