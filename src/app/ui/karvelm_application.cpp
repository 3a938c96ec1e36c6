#include "app/ui/karvelm_application.h"

#include <QLibraryInfo>
#include <QMessageBox>

#include "app/app_texts.h"
#include "app/ui/qt_dialogs.h"
#include "base/ui/guarded_connect.h"

namespace karvelm {

TKarvelmApplication::TKarvelmApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromStdString(BaseTitle()));
  // The program speaks Russian whatever the desktop's language: Qt's standard dialogs and
  // buttons too. Without the translations installed they stay in English.
  FQtTranslationLoaded =
      FQtTranslation.load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (FQtTranslationLoaded) installTranslator(&FQtTranslation);
  ReportException = [](const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(BaseTitle()),
                    QString::fromStdString(text), QMessageBox::Ok);
    FitCaption(box);
    box.exec();
  };
  // Exceptions stopped at a guarded slot get the same report.
  SetExceptionReport([this](const std::string& text) {
    if (ReportException) ReportException(text);
  });
}

TKarvelmApplication::~TKarvelmApplication() {
  SetExceptionReport(nullptr);
}

bool TKarvelmApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentException();
  }
  return false;
}

}  // namespace karvelm
