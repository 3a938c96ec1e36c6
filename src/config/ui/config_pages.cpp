#include "config/ui/config_pages.h"

#include <QEvent>
#include <QTabWidget>
#include <QWidget>
#include <stdexcept>

#include "config/ui/device_params_sheet.h"
#include "config/ui/ext_inputs_dialog.h"
#include "config/ui/memory_sheet.h"
#include "config/ui/set_points_sheet.h"

namespace karvelm {

namespace {

QWidget& Sheet(QTabWidget& pages, const char* name) {
  auto* sheet = pages.findChild<QWidget*>(name);
  if (!sheet) throw std::logic_error(std::string("no page ") + name);
  return *sheet;
}

}  // namespace

TConfigPages::TConfigPages(QWidget& window, QTabWidget& pages, TConfigImage& image,
                           TUserDialogs& dialogs)
    : QObject(&window),
      FSheet1(&Sheet(pages, "TabSheet1")),
      FSheet2(&Sheet(pages, "TabSheet2")),
      FSheet4(&Sheet(pages, "TabSheet4")),
      FExtInputsForm(new TExtInputsDialog(&window)) {
  FDeviceParams = new TDeviceParamsSheet(*FSheet1, image, *FExtInputsForm);
  FMemory = new TMemorySheet(*FSheet2, image, dialogs);
  FSetPoints = new TSetPointsSheet(*FSheet4, image);
  for (QWidget* sheet : {FSheet1, FSheet2, FSheet4}) sheet->installEventFilter(this);
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
