// The desktop shell's "open" of a document (the help file), behind a seam so that tests see
// what would be opened without starting a viewer.
#pragma once

#include <QString>

namespace karvelm {

class TDesktopShell {
 public:
  virtual ~TDesktopShell() = default;
  // Asks the desktop to open the file with its usual program; the outcome is not checked.
  virtual void OpenDocument(const QString& path) = 0;
};

// The shell the program uses: the desktop's own unless a test installs another.
TDesktopShell& DesktopShell();
void SetDesktopShell(TDesktopShell* shell);  // nullptr restores the desktop's

// The help document of the current folder, as the name is relative; when that folder has none
// (a program started from a desktop launcher runs in the home folder), the one beside the
// executable, then the installed one in the documentation folder, then the one built beside a
// program run from its build folder. With none of them, the path beside the executable.
QString HelpDocumentPath();
// The same lookup from the given folders.
QString FindHelpDocument(const QString& currentFolder, const QString& programFolder);

}  // namespace karvelm
