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
  std::string name;       // the dialog's object name; empty: OpenDialog2 or SaveDialog1
  std::string directory;  // the folder the dialog starts in; empty: the dialog's own choice
};

// An open dialog's answer: the file and the filter the user had selected in it (1-based).
struct TFileChoice {
  std::string path;
  int filterIndex = 1;
};

class TUserDialogs {
 public:
  virtual ~TUserDialogs() = default;
  // OK and Cancel; true only for OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
  // OK and Cancel with Cancel the default button, for going on with something risky.
  virtual bool AskOkCancelDefaultCancel(const std::string& text, const std::string& caption) {
    return AskOkCancel(text, caption);
  }
  // One OK button.
  virtual void Inform(const std::string& text, const std::string& caption) = 0;
  // The chosen file's full path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const TFileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const TFileDialogRequest& request) = 0;
  // An existing folder (it may be made in the dialog), or nothing when the user cancelled.
  // Dialogs that offer no folder choice cancel.
  virtual std::optional<std::string> ChooseFolder(const std::string& title) {
    (void)title;
    return std::nullopt;
  }
  // The chosen file with the selected filter, for callers that read a file by the filter
  // rather than by its extension. Dialogs that cannot tell report the request's filter.
  virtual std::optional<TFileChoice> ChooseOpenFileAndFilter(const TFileDialogRequest& request) {
    auto path = ChooseOpenFile(request);
    if (!path) return std::nullopt;
    return TFileChoice{*path, request.filterIndex};
  }
};

// The name the user typed with the default extension added when it has none.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace karvelm
