// One application object for the GUI tests, on the offscreen platform.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <functional>

#include "app/ui/karvelm_application.h"

namespace karvelm {

class TQtEnvironment final : public testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "app_ui_tests";
    static char* argv[] = {name, nullptr};
    app = new TKarvelmApplication(argc, argv);
  }
  void TearDown() override {
    delete app;
    app = nullptr;
  }
  static inline TKarvelmApplication* app = nullptr;
};

// Registered once for the whole test program, whichever files include this.
inline testing::Environment* const kQtEnvironment =
    testing::AddGlobalTestEnvironment(new TQtEnvironment);

// Runs action once the next modal loop (a dialog's exec) is running.
inline void WhenModal(std::function<void()> action) {
  QTimer::singleShot(0, [action = std::move(action)] { action(); });
}

}  // namespace karvelm
