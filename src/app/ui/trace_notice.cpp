#include "app/ui/trace_notice.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

namespace karvelm {

namespace {

constexpr const char* kTraceNoticeCaption = "Внимание!";
constexpr const char* kTraceNoticeText = "Журнал обмена не записывается в файл %1: %2.";

}  // namespace

TTraceFailure TraceFailureNotice(const std::string& path) {
  return [path](const std::string& reason) {
    const QString text = QString::fromUtf8(kTraceNoticeText)
                             .arg(QString::fromStdString(path), QString::fromStdString(reason));
    QMetaObject::invokeMethod(
        qApp,
        [text] {
          auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kTraceNoticeCaption),
                                      text, QMessageBox::Ok, QApplication::activeWindow());
          box->setObjectName(kTraceNoticeName);
          box->setAttribute(Qt::WA_DeleteOnClose);
          box->setModal(false);
          box->show();
        },
        Qt::QueuedConnection);
  };
}

}  // namespace karvelm
