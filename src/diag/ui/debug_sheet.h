// The service-mode debug page TabSheet11: the ten input words and four output words bit by bit;
// a click on an input word writes it back with the bit under the mouse inverted.
#pragma once

#include <QObject>
#include <array>

#include "base/data_page.h"
#include "base/shell_services.h"
#include "diag/debug_view.h"

class QWidget;

namespace karvelm {

class TBitsLabel;

class TDebugSheet final : public QObject, public TDataPage {
 public:
  TDebugSheet(QWidget& sheet, TPageRegistry& registry, TShellServices& services);

  // ReadBoardRegisters.
  void Read() override;
  // ShowDebugRegisters.
  void Show() override;
  // The mouse-down handler of the input label with the Tag, at x in the label.
  void DebugMouseDown(int tag, int x);

 private:
  TPageRegistry& FRegistry;
  TShellServices& FServices;
  TDebugPage FModel;
  std::array<TBitsLabel*, kDebugLabels.size()> FLabels{};
};

}  // namespace karvelm
