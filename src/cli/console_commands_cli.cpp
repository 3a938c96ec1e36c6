#include "cli/console_commands_cli.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "cli/json_text.h"
#include "cli/terminal_session_cli.h"
#include "terminal/keys_text.h"
#include "terminal/terminal_keys.h"
#include "terminal/terminal_screen.h"

namespace karvelm::cli {

namespace {

class TScreen final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("screen takes no arguments", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    TTerminalScreen screen;
    // One look, nothing older to fall back on: a part that could not be read would show
    // as blanks of its own making.
    if (!screen.ReadTerminalScreen().Complete()) return context.Fail("screen read failed");
    const TTerminalView view = screen.RenderTerminal(true);
    const auto lines = view.Utf8Lines();
    if (context.options.json) {
      TJson json;
      json["lines"] = std::vector<std::string>(lines.begin(), lines.end());
      json["mode"] = view.mode;
      context.out << JsonText(json) << '\n';
    } else {
      for (int i = 0; i < view.lineCount; ++i) context.out << lines[i] << '\n';
    }
    return kExitDone;
  }
};

class TKeys final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 2) return context.Usage();
    text_ = ParseKeysText(words[1]);
    if (!text_.ok)
      return context.Fail("keys: " + DescribeKeysChar(text_.badChar) + " at offset " +
                              std::to_string(text_.badOffset) +
                              " is not a key of the console keyboard",
                          kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    std::vector<int> codes;
    for (const TKeyStroke& stroke : text_.strokes) {
      // As a key press on the page: the module checked, then the one write.
      const TKeySendResult sent = SendTerminalKey(true, stroke);
      if (sent.outcome != ksSent) {
        // The rest would be typed without this key: stop here.
        const char* why =
            sent.outcome == ksNoAnswer ? "the firmware does not answer" : "not acknowledged";
        return context.Fail("keys: key " + std::to_string(codes.size() + 1) + " of " +
                            std::to_string(text_.strokes.size()) + " (code " +
                            std::to_string(sent.code) + "): " + why);
      }
      codes.push_back(sent.code);
    }
    if (context.options.json) {
      TJson json;
      json["sent"] = codes.size();
      json["codes"] = codes;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << codes.size() << (codes.size() == 1 ? " key" : " keys") << " sent\n";
    }
    return kExitDone;
  }

 private:
  TKeysText text_;
};

class TTerminal final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("terminal takes no arguments", kExitUsage);
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO))
      return context.Fail("terminal needs a terminal on stdin and stdout", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override { return RunTerminalSession(context); }
};

}  // namespace

std::unique_ptr<TCliCommand> MakeScreenCommand() {
  return std::make_unique<TScreen>();
}
std::unique_ptr<TCliCommand> MakeKeysCommand() {
  return std::make_unique<TKeys>();
}
std::unique_ptr<TCliCommand> MakeTerminalCommand() {
  return std::make_unique<TTerminal>();
}

}  // namespace karvelm::cli
