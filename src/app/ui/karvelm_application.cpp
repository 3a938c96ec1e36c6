#include "app/ui/karvelm_application.h"

#include <QMessageBox>

#include "app/app_texts.h"
#include "base/ui/guarded_connect.h"

namespace karvelm {

TKarvelmApplication::TKarvelmApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromStdString(BaseTitle()));
  ReportException = [](const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(BaseTitle()),
                    QString::fromStdString(text), QMessageBox::Ok);
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
