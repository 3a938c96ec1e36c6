#include "app/ui/desktop_shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
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
  return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromUtf8(kHelpDocument));
}

}  // namespace karvelm
