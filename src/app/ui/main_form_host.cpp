// What the supervision logic changes on the window: status texts, command enabling,
// caption, cursor and ProgressBar2.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/ui/main_form.h"
#include "config/ui/config_pages.h"

namespace karvelm {

void TMainForm::SetStatusText(const std::string& text) {
  StaticText11->setText(QString::fromStdString(text));
}

void TMainForm::SetFirmwareVersionText(const std::string& text) {
  StaticText10->setText(QString::fromStdString(text));
}

void TMainForm::SetLoaderVersionText(const std::string& text) {
  StaticText2->setText(QString::fromStdString(text));
}

void TMainForm::SetConfigCommandsEnabled(bool enabled) {
  for (QPushButton* button : {Button4, Button7, Button5, Button8}) button->setEnabled(enabled);
  for (QAction* item : {N11, N21, N12, N22}) item->setEnabled(enabled);
}

void TMainForm::SetUpdateCommandEnabled(bool enabled) {
  N16->setEnabled(enabled);
}

void TMainForm::SetRestartEnabled(bool enabled) {
  Button6->setEnabled(enabled);
  N14->setEnabled(enabled);
}

void TMainForm::SetTimerEnabled(bool enabled) {
  if (enabled) {
    if (FOptions.startTimer) Timer1->start();
  } else {
    Timer1->stop();
  }
}

void TMainForm::SetBusyCursor(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TMainForm::SetCaption(const std::string& text) {
  const QString caption = QString::fromStdString(text);
  setWindowTitle(caption);
  QApplication::setApplicationDisplayName(QString());
  QApplication::setApplicationName(caption);
}

void TMainForm::RefreshConfigPages() {
  FConfigPages->Refresh();
}

void TMainForm::SetProgress2Visible(bool visible) {
  ProgressBar2->setVisible(visible);
}

void TMainForm::SetProgress2(int percent) {
  ProgressBar2->setValue(percent);
}

void TMainForm::Repaint() {
  repaint();
}

}  // namespace karvelm
