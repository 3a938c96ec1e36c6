// A recording user side for the update flows: scripted answers, and every hook call in order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "update/update_hooks.h"

namespace karvelm::testing {

struct TRecordingHooks {
  std::vector<std::string> events;
  std::vector<int> percents;
  bool answer = true;                     // to every question
  std::optional<std::string> chosenFile;  // the open dialog's answer
  std::vector<int> filterIndexes;
  TUpdateHooks hooks;

  TRecordingHooks() {
    hooks.ask = [this](const std::string& text, const std::string& caption) {
      events.push_back("ask " + text + " | " + caption);
      return answer;
    };
    hooks.inform = [this](const std::string& text, const std::string& caption) {
      events.push_back("inform " + text + " | " + caption);
    };
    hooks.chooseFile = [this](int filterIndex) {
      filterIndexes.push_back(filterIndex);
      events.push_back("dialog");
      return chosenFile;
    };
    hooks.busyCursor = [this](bool busy) { events.push_back(busy ? "busy" : "idle"); };
    hooks.timer1 = [this](bool running) { events.push_back(running ? "timer on" : "timer off"); };
    hooks.progressVisible = [this](bool shown) {
      events.push_back(shown ? "bar shown" : "bar hidden");
    };
    hooks.progress = [this](int percent) { percents.push_back(percent); };
    hooks.refreshPage = [this] { events.push_back("refresh"); };
  }

  // The events that start with prefix, in order.
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& event : events)
      if (event.rfind(prefix, 0) == 0) found.push_back(event);
    return found;
  }
};

}  // namespace karvelm::testing
