// The device-parameter page (TabSheet1): the configuration name Edit9, the eight mode lists
// and Button34, which opens the interrupt settings dialog. Every change goes into the image
// at once.
#pragma once

#include <QObject>
#include <vector>

#include "config/config_image.h"
#include "config/device_params.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace karvelm {

class TExtInputsDialog;

class TDeviceParamsSheet final : public QObject {
  Q_OBJECT

 public:
  // Fills sheet with the page's controls; dialog is the window's one interrupt dialog.
  TDeviceParamsSheet(QWidget& sheet, TConfigImage& image, TExtInputsDialog& dialog);

  void TabSheet1Show();
  void Button34Click();

 private:
  struct TList {
    const TConfigField* field;
    QComboBox* control;
  };

  void Edit9Change();

  TConfigImage& FImage;
  TExtInputsDialog& FDialog;
  QLineEdit* Edit9 = nullptr;
  std::vector<TList> FLists;
};

}  // namespace karvelm
