// The main window on the simulated module with its lively setup (a panel, five external
// modules, the harness on 167630/167632), over the Ethernet kind, the firmware found; pages are
// brought into view as the user's clicks on their tabs do.
#pragma once

#include <QCoreApplication>
#include <QTabWidget>
#include <QTest>
#include <utility>
#include <vector>

#include "base/byte_order.h"
#include "link/commands.h"
#include "main_form_fixture.h"
#include "sim/harness_model.h"
#include "sim_violations.h"

namespace karvelm {

// One cmdWriteBus as the module received it.
struct TBusWrite {
  uint16_t address;
  uint32_t value;
  bool operator==(const TBusWrite&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TBusWrite& write) {
  return out << std::oct << write.address << "<-0x" << std::hex << write.value << std::dec;
}

class DiagPagesFixture : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=2\n");
  }
  void TearDown() override {
    if (links) ExpectNoViolations(links->Sim());
    MainFormFixture::TearDown();
  }
  // The window, the firmware found on the second tick.
  void Open(std::vector<std::string> arguments = {}) {
    Create(std::move(arguments));
    links->MakeLively();
    Show();
    form->show();
    QCoreApplication::processEvents();
    Ticks(2);
    ASSERT_TRUE(form->Shell().fw_state.connected);
  }
  void ShowMainPage(int page) {
    Pages()->setCurrentIndex(page);
    QCoreApplication::processEvents();
  }
  void ShowSubPage(int subPage) {
    ShowMainPage(mpDiagnostics);
    Find<QTabWidget>("PageControl2")->setCurrentIndex(subPage);
    QCoreApplication::processEvents();
  }
  TLoopbackHarnessModel& Harness() { return *links->Sim().FindModel<TLoopbackHarnessModel>(); }
  // Inputs as plain memory: what is poked is read.
  void DetachHarness() { Harness().attached = false; }

  // The bus writes the module received since the record was last cleared (framed layout).
  std::vector<TBusWrite> TakeBusWrites() {
    std::vector<TBusWrite> writes;
    for (const auto& request : links->Sim().Requests()) {
      if (request.type != kSimTypeReply || request.code != cmdWriteBus) continue;
      writes.push_back(
          {static_cast<uint16_t>(GetU32(&request.payload[0])), GetU32(&request.payload[4])});
    }
    links->Sim().ClearRecord();
    return writes;
  }
};

}  // namespace karvelm
