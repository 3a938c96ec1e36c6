// The diagnostics page set on a bare window with the main page control and its guard, as the
// main window has them, a registry standing in for the supervisor and services that log what
// the pages ask of the window. The module is a fake bus module on an event clock.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "test_names.h"
#include "base/data_page.h"
#include "base/shell_services.h"
#include "base/ui/page_sheets.h"
#include "base/ui/tab_switch_guard.h"
#include "diag/diag_records.h"
#include "diag/sub_pages.h"
#include "diag/ui/diag_pages.h"
#include "fake_bus_module.h"
#include "qt_test_environment.h"

namespace karvelm::diagtest {

class TSilentDialogs final : public TUserDialogs {
 public:
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  void Inform(const std::string&, const std::string&) override {}
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest&) override { return {}; }
};

class TTestRegistry final : public TPageRegistry {
 public:
  void AddDataPage(TDataPageId id, TDataPage& page) override { pages.at(id) = &page; }
  void SetUpdatePage(TUpdatePage&) override {}
  void HoldPageChangesWhile(std::function<bool()> held) override { holds.push_back(held); }
  bool FirmwareConnected() const override { return connected; }
  bool Allowed() const {
    for (const auto& held : holds)
      if (held()) return false;
    return true;
  }

  bool connected = true;
  std::array<TDataPage*, kDataPageCount> pages{};
  std::vector<std::function<bool()>> holds;
};

class TLoggingServices final : public TShellServices {
 public:
  void SetBusyCursor(bool busy) override { busyDepth += busy ? 1 : -1; }
  void SetTimerEnabled(bool enabled) override {
    timer1 = enabled;
    log.push_back(enabled ? "timer on" : "timer off");
  }
  void Repaint() override {}
  TUserDialogs& Dialogs() override { return dialogs; }

  bool timer1 = true;
  int busyDepth = 0;
  std::vector<std::string> log;
  TSilentDialogs dialogs;
};

class DiagSheetsFixture : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    DiagRecords() = TDiagRecords{};
    window.resize(1000, 520);
    auto* column = new QVBoxLayout(&window);
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName("PageControl1");
    AddSheet(*PageControl1, "TabSheet1", "Параметры устройства");
    AddSheet(*PageControl1, "TabSheet5", "Диагностика");
    AddSheet(*PageControl1, "TabSheet11", "Отладка");
    column->addWidget(PageControl1);
    pages = new TDiagPages(window, *PageControl1, registry, services);
    new TTabSwitchGuard(*PageControl1, [this] { return registry.Allowed(); });
    PageControl1->setCurrentIndex(1);
  }

  void ShowSubPage(int index) {
    Find<QTabWidget>("PageControl2")->setCurrentIndex(index);
    window.show();
    QCoreApplication::processEvents();
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = window.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::string Text(const char* label) { return Find<QLabel>(label)->text().toStdString(); }
  void Click(const char* button) { Find<QAbstractButton>(button)->click(); }

  // A tick of the supervisor on the page: read when the module answers, then show.
  void Tick(TDataPageId id) {
    registry.pages[id]->Read();
    registry.pages[id]->Show();
  }

  std::vector<TBusEvent> Writes() const {
    std::vector<TBusEvent> writes;
    for (const TBusEvent& e : link.log)
      if (e.what == 'W') writes.push_back(e);
    return writes;
  }

  bool Legacy() const { return GetParam() == itHID_OLD; }

  // The link first: it restores the clock after the window is gone.
  TFakeBusLink link{GetParam()};
  TTestRegistry registry;
  TLoggingServices services;
  QWidget window;
  QTabWidget* PageControl1 = nullptr;
  TDiagPages* pages = nullptr;
};

}  // namespace karvelm::diagtest
