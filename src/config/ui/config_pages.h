// The configuration editing pages of the main window and the interrupt settings dialog,
// put onto the window's existing sheets TabSheet1, TabSheet2 and TabSheet4. Each page is
// refreshed from the image when it comes into view and on Refresh.
#pragma once

#include <QObject>
#include <memory>

#include "base/shell_services.h"
#include "config/config_image.h"

class QTabWidget;
class QWidget;

namespace karvelm {

class TDeviceParamsSheet;
class TSetPointsSheet;
class TMemorySheet;
class TExtInputsDialog;

class TConfigPages final : public QObject {
  Q_OBJECT

 public:
  // window: the dialog's parent (it is centred on it) and the holder of the memory page's
  // service button Button35 on its tool bar; pages: the control holding the sheets.
  TConfigPages(QWidget& window, QTabWidget& pages, TConfigImage& image, TShellServices& services);
  ~TConfigPages() override;

  // TabSheet1Show, TabSheet2Show and TabSheet4Show, after the image was replaced.
  void Refresh();

  TDeviceParamsSheet& DeviceParams() { return *FDeviceParams; }
  TMemorySheet& Memory() { return *FMemory; }
  TSetPointsSheet& SetPoints() { return *FSetPoints; }
  TExtInputsDialog& ExtInputsForm() { return *FExtInputsForm; }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;

  QWidget* FSheet1 = nullptr;
  QWidget* FSheet2 = nullptr;
  QWidget* FSheet4 = nullptr;
  // Created once with the window and reused: its lists keep their last items.
  TExtInputsDialog* FExtInputsForm = nullptr;
  // Owned by their sheets.
  TDeviceParamsSheet* FDeviceParams = nullptr;
  TMemorySheet* FMemory = nullptr;
  TSetPointsSheet* FSetPoints = nullptr;
};

}  // namespace karvelm
