// What every page set does with the page control it is put on.
#pragma once

#include <span>

#include "base/data_page.h"

class QTabWidget;
class QWidget;

namespace karvelm {

// The sheet of the page control with that object name; a missing one is a build fault.
QWidget& FindSheet(QTabWidget& pages, const char* name);
// A tab with that object name and caption, added at the end.
QWidget& AddSheet(QTabWidget& pages, const char* name, const char* caption);
// Seven captions in the page width: a slightly smaller face on the tabs.
void UseSmallTabFace(QTabWidget& pages);
// Tabs drawn as a row of push buttons, the one in view pressed in, instead of file-card tabs.
void UseButtonTabs(QTabWidget& pages);

// The index (as the system numbers it) of the tab in view, found by its sheet's name; -1 for
// none.
int CurrentPageIndex(const QTabWidget& pages, std::span<const TPageTab> tabs);
// Where the tab of a page index is now; -1 for none.
int TabPosition(const QTabWidget& pages, std::span<const TPageTab> tabs, int index);

}  // namespace karvelm
