// The set-point page (TabSheet4): sixteen registers at 173000..173036, entered in octal. An
// entry that does not convert turns red and leaves its stored word alone.
#pragma once

#include <QObject>
#include <QPalette>
#include <array>

#include "config/config_image.h"

class QLineEdit;
class QWidget;

namespace karvelm {

class TSetPointsSheet final : public QObject {
  Q_OBJECT

 public:
  TSetPointsSheet(QWidget& sheet, TConfigImage& image);

  void TabSheet4Show();
  void OctoEditChange(int index);

 private:
  TConfigImage& FImage;
  std::array<QLineEdit*, kSetPointWords> FEntries{};
  QPalette FNormal;  // the window text colour
  QPalette FError;   // red text
};

}  // namespace karvelm
