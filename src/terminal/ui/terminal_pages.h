// The terminal page, put onto the window's sheet TabSheet3: the mirror of the module's console
// screen, Memo1, with its sixteen lines.
#pragma once

#include <QObject>

class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace karvelm {

class TTerminalPages final : public QObject {
 public:
  // window: the owner; pages: the control holding the sheet.
  TTerminalPages(QWidget& window, QTabWidget& pages);

 private:
  QWidget* FSheet = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
};

}  // namespace karvelm
