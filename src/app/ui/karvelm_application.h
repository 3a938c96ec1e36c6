// The application object: an exception that escapes an event handler is shown in a message
// box with its text, and the program goes on (the timer keeps ticking).
#pragma once

#include <QApplication>
#include <QTranslator>
#include <functional>
#include <string>

namespace karvelm {

class TKarvelmApplication final : public QApplication {
  Q_OBJECT

 public:
  TKarvelmApplication(int& argc, char** argv);
  ~TKarvelmApplication() override;
  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the text of an escaped exception; a message box unless replaced (tests).
  std::function<void(const std::string&)> ReportException;
  // Qt's own Russian texts (standard buttons, file dialogs) were found and installed.
  bool QtTranslationLoaded() const { return FQtTranslationLoaded; }

 private:
  QTranslator FQtTranslation;
  bool FQtTranslationLoaded = false;
};

}  // namespace karvelm
