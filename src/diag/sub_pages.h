// The diagnostics sub-pages of PageControl2, in index order.
#pragma once

#include "base/data_page.h"

namespace karvelm {

enum TDiagPage : int {
  dpPeripheralBus = 0,
  dpInOut = 1,
  dpDac = 2,
  dpSensors = 3,
};

inline constexpr TPageTab kDiagSubPages[] = {
    {dpPeripheralBus, "TabSheet6", "Периферийная шина"},
    {dpInOut, "TabSheet7", "Вх./вых. RK-110(111,112)/RK-120"},
    {dpDac, "TabSheet8", "ЦАП RK-130"},
    {dpSensors, "TabSheet9", "БСД RK-140; RK-141,RK142,RK-143"},
};

}  // namespace karvelm
