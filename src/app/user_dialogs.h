// Every message box, confirmation and file dialog of the program goes through this
// interface. The desktop program shows real ones; tests script the answers.
#pragma once

#include <optional>
#include <string>

namespace karvelm {

// A file dialog's request. filter: "Description|*.ext|Description|*.*" pairs; filterIndex
// is 1-based, as the dialogs count their filters.
struct TFileDialogRequest {
  std::string title;
  std::string filter;
  std::string defaultExtension;  // without the point; added when the typed name has none
  int filterIndex = 1;
  std::string initialName;
};

class TUserDialogs {
 public:
  virtual ~TUserDialogs() = default;
  // OK and Cancel; true only for OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
  // One OK button.
  virtual void Inform(const std::string& text, const std::string& caption) = 0;
  // The chosen file's full path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const TFileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const TFileDialogRequest& request) = 0;
};

// The name the user typed with the default extension added when it has none.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace karvelm
