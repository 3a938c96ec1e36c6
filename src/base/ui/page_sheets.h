// What every page set does with the page control it is put on.
#pragma once

class QTabWidget;
class QWidget;

namespace karvelm {

// The sheet of the page control with that object name; a missing one is a build fault.
QWidget& FindSheet(QTabWidget& pages, const char* name);
// A tab with that object name and caption, added at the end.
QWidget& AddSheet(QTabWidget& pages, const char* name, const char* caption);
// Seven captions in the page width: a slightly smaller face on the tabs.
void UseSmallTabFace(QTabWidget& pages);

}  // namespace karvelm
