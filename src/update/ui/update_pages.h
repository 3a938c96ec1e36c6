// The update page, put onto the window's sheet TabSheet10: the module's update button Button2,
// the service check box CheckBox5 (the update from a file) and ProgressBar1.
#pragma once

#include <QObject>

class QCheckBox;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

namespace karvelm {

class TUpdatePages final : public QObject {
 public:
  // window: the owner; pages: the control holding the sheet; serviceMode shows CheckBox5.
  TUpdatePages(QWidget& window, QTabWidget& pages, bool serviceMode);

  // What the menu item N16 does: Button2's click, whether or not the button is enabled.
  void ClickUpdateButton();

 private:
  QPushButton* Button2 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

}  // namespace karvelm
