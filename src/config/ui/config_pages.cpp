#include "config/ui/config_pages.h"

#include <QEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include "base/ui/guarded_connect.h"
#include "base/ui/page_sheets.h"
#include "config/ui/device_params_sheet.h"
#include "config/ui/ext_inputs_dialog.h"
#include "config/ui/memory_sheet.h"
#include "config/ui/set_points_sheet.h"

namespace karvelm {

TConfigPages::TConfigPages(QWidget& window, QTabWidget& pages, TConfigImage& image,
                           TShellServices& services)
    : QObject(&window),
      FSheet1(&FindSheet(pages, "TabSheet1")),
      FSheet2(&FindSheet(pages, "TabSheet2")),
      FSheet4(&FindSheet(pages, "TabSheet4")),
      FExtInputsForm(new TExtInputsDialog(&window)) {
  FDeviceParams = new TDeviceParamsSheet(*FSheet1, image, *FExtInputsForm);
  FMemory = new TMemorySheet(*FSheet2, image, services.Dialogs());
  FSetPoints = new TSetPointsSheet(*FSheet4, image);
  for (QWidget* sheet : {FSheet1, FSheet2, FSheet4}) sheet->installEventFilter(this);
  if (auto* button35 = window.findChild<QPushButton*>("Button35"))
    ConnectGuarded(button35, &QPushButton::clicked, FMemory, &TMemorySheet::Button35Click);
}

TConfigPages::~TConfigPages() = default;

void TConfigPages::Refresh() {
  FDeviceParams->TabSheet1Show();
  FMemory->TabSheet2Show();
  FSetPoints->TabSheet4Show();
}

// The pages' OnShow: a page coming into view shows the image as it is now.
bool TConfigPages::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    if (watched == FSheet1) FDeviceParams->TabSheet1Show();
    if (watched == FSheet2) FMemory->TabSheet2Show();
    if (watched == FSheet4) FSetPoints->TabSheet4Show();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace karvelm
