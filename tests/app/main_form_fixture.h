// The real main window on the offscreen platform, linked to the in-process simulator on a
// fake clock, with scripted dialogs and its own settings file. Ticks are driven by the test.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/sim_links.h"
#include "app/ui/about_form.h"
#include "app/ui/main_form.h"
#include "app/ui/select_intf_form.h"
#include "base/clock.h"
#include "link/transactions.h"
#include "link_state_scope.h"
#include "qt_test_environment.h"
#include "scripted_dialogs.h"
#include "sim_violations.h"
#include "temp_folder.h"

namespace karvelm {

class MainFormFixture : public testing::Test {
 protected:
  void TearDown() override {
    if (form) form->close();
    Destroy();
    ResetLinkState();
    ExpectModuleClean();
    links.reset();
  }
  // The simulated module saw nothing a real one would refuse.
  void ExpectModuleClean() {
    if (links) ExpectNoViolations(links->Sim());
  }

  // The about box is the window's child: it goes first.
  void Destroy() {
    about.reset();
    select.reset();
    form.reset();
  }

  std::string SettingsPath() const { return folder.File("KarvelMcfg.ini"); }
  void WriteSettings(const std::string& text) { folder.Write("KarvelMcfg.ini", text); }
  std::string SavedSettings() const { return TTempFolder::Read(SettingsPath()); }

  // FormCreate with the arguments; the start-up dialog is answered by onSelect (or not
  // shown at all when the settings switch it off), then FormShow runs.
  void Create(std::vector<std::string> arguments = {}, TSimConfig config = TSimConfig{}) {
    Destroy();
    ResetLinkState();
    ExpectModuleClean();
    links = std::make_unique<TSimulatorLinks>(config, &clock);
    TMainFormOptions options;
    options.commandLine = ParseCommandLine(arguments);
    options.settingsPath = SettingsPath();
    options.dialogs = &dialogs;
    options.linkFactory = linkFactory ? linkFactory : links->Factory();
    options.startTimer = startTimer;
    options.firmwareImages = firmwareImages;
    form = std::make_unique<TMainForm>(std::move(options));
    about = std::make_unique<TAboutForm>(form.get());
    select = std::make_unique<TSelectIntfForm>();
    form->SetAboutForm(about.get());
    form->SetSelectIntfForm(select.get());
  }
  void Show() {
    dialogShown = false;
    WhenModal([this] {
      if (!select->isVisible()) return;
      dialogShown = true;
      if (onSelect) {
        onSelect(*select);
      } else {
        select->reject();
      }
    });
    form->FormShow();
    QCoreApplication::processEvents();
  }
  void Start(std::vector<std::string> arguments = {}) {
    Create(std::move(arguments));
    Show();
  }

  void Tick() {
    clock.Advance(1000);
    form->Timer1Timer();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Tick();
  }
  bool TickUntilLoader(int n = 6) {
    for (int i = 0; i < n; ++i) {
      Tick();
      if (form->Shell().boot_state.connected) return true;
    }
    return false;
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = form->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  QTabWidget* Pages() { return Find<QTabWidget>("PageControl1"); }
  int CheckedRadio() {
    for (int i = 0; i < 3; ++i) {
      if (Find<QRadioButton>(QString("RadioGroup1Item%1").arg(i).toUtf8().constData())->isChecked())
        return i;
    }
    return -1;
  }

  std::vector<uint8_t> TakeCodes() {
    std::vector<uint8_t> codes;
    for (const auto& request : links->Sim().Requests()) {
      if (request.type == kSimTypeReply) codes.push_back(request.code);
    }
    links->Sim().ClearRecord();
    return codes;
  }

  TFakeClock clock;
  TLinkStateScope linkState{&clock};
  TTempFolder folder;
  TScriptedDialogs dialogs;
  std::unique_ptr<TSimulatorLinks> links;
  TLinkFactory linkFactory;
  std::shared_ptr<TImageSource> firmwareImages;  // the built-in images, asked first
  bool startTimer = false;                       // Timer1 runs (tests that watch it)
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<TAboutForm> about;
  std::unique_ptr<TSelectIntfForm> select;
  std::function<void(TSelectIntfForm&)> onSelect;
  bool dialogShown = false;
  // true: Timer1 runs as in the program (its 1000 ms are real time, so no test waits for it).
};

}  // namespace karvelm
