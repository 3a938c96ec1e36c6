// User dialogs with scripted answers: each question takes the next answer (OK when none is
// left), every box is recorded, and a hook can run while a box is "open" (the supervision
// tick, as a nested message loop would).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/user_dialogs.h"

namespace karvelm {

struct TShownBox {
  std::string kind;  // "ask", "ask-cancel", "inform", "open", "save", "folder"
  std::string text;  // message text, or the file dialog's title
  std::string caption;
  TFileDialogRequest request;  // file dialogs
};

class TScriptedDialogs final : public TUserDialogs {
 public:
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    Record({"ask", text, caption, {}});
    if (answers.empty()) return true;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  // Recorded as "ask-cancel" so that tests see the question was put with Cancel the default.
  bool AskOkCancelDefaultCancel(const std::string& text, const std::string& caption) override {
    Record({"ask-cancel", text, caption, {}});
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Inform(const std::string& text, const std::string& caption) override {
    Record({"inform", text, caption, {}});
  }
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest& request) override {
    Record({"open", request.title, {}, request});
    return NextFile();
  }
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest& request) override {
    Record({"save", request.title, {}, request});
    return NextFile();
  }
  // The next of files, as a folder.
  std::optional<std::string> ChooseFolder(const std::string& title) override {
    Record({"folder", title, {}, {}});
    return NextFile();
  }
  // The next file with the next of filters (the request's own filter when none is left).
  std::optional<TFileChoice> ChooseOpenFileAndFilter(const TFileDialogRequest& request) override {
    Record({"open", request.title, {}, request});
    auto file = NextFile();
    int filter = request.filterIndex;
    if (!filters.empty()) {
      filter = filters.front();
      filters.pop_front();
    }
    if (!file) return std::nullopt;
    return TFileChoice{*file, filter};
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : shown) texts.push_back(box.text);
    return texts;
  }

  std::deque<bool> answers;                      // for both questions
  std::deque<std::optional<std::string>> files;  // for the file dialogs; none = cancel
  std::deque<int> filters;                       // filter indexes chosen in open dialogs
  std::vector<TShownBox> shown;
  std::function<void(const TShownBox&)> whileOpen;  // runs inside every box

 private:
  void Record(TShownBox box) {
    shown.push_back(box);
    if (whileOpen) whileOpen(shown.back());
  }
  std::optional<std::string> NextFile() {
    if (files.empty()) return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
  }
};

}  // namespace karvelm
