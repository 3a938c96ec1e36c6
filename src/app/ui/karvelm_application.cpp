#include "app/ui/karvelm_application.h"

#include <QMessageBox>

#include "app/app_texts.h"

namespace karvelm {

TKarvelmApplication::TKarvelmApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromStdString(BaseTitle()));
  ReportException = [](const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(BaseTitle()),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
  };
}

bool TKarvelmApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    if (ReportException) ReportException(error.what());
  } catch (...) {
    if (ReportException) ReportException("Unknown exception.");
  }
  return false;
}

}  // namespace karvelm
