#include "app/supervisor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ostream>

#include <algorithm>

#include "app/app_texts.h"
#include "link/commands.h"
#include "shell_fixture.h"
#include "test_names.h"

namespace karvelm {
namespace {

using testing::ElementsAre;

const TIntfType kKinds[] = {itHID_OLD, itHID_NEW, itUDP};

class SupervisorTick : public ShellFixture {};

TEST_F(SupervisorTick, NothingAnswersWithoutALink) {
  CloseLink();
  Ticks(3);
  EXPECT_EQ(host.status, kStatusNotConnected);
  EXPECT_EQ(host.firmwareText, kVersionUnknown);
  EXPECT_EQ(host.loaderText, kVersionUnknown);
  EXPECT_FALSE(host.configEnabled);
  EXPECT_FALSE(host.updateEnabled);
  EXPECT_FALSE(host.restartEnabled);
  EXPECT_EQ(host.busyDepth, 0);
}

TEST_F(SupervisorTick, FirstTickLooksForTheLoaderFirmwareShowsOnTheSecond) {
  for (TIntfType kind : kKinds) {
    SCOPED_TRACE(kind);
    shell.Reset();
    Open(kind, Running(spFirmware, 0x020016FF));
    Tick();
    EXPECT_FALSE(shell.boot_state.connected);
    EXPECT_FALSE(shell.fw_state.connected);
    EXPECT_EQ(host.status, kStatusNotConnected);
    EXPECT_FALSE(host.configEnabled);
    Tick();
    EXPECT_TRUE(shell.fw_state.connected);
    EXPECT_EQ(host.status, kStatusConnected);
    // The low byte of the version word is never shown.
    EXPECT_EQ(host.firmwareText, "2.0.22.");
    EXPECT_EQ(host.loaderText, "1.0.5.");
    EXPECT_TRUE(host.configEnabled);
    EXPECT_TRUE(host.updateEnabled);
    EXPECT_FALSE(host.restartEnabled);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(host.busyDepth, 0);
  }
}

TEST_F(SupervisorTick, StatusGoesBackWhenTheModuleFallsSilent) {
  Open(itUDP);
  Ticks(2);
  ASSERT_EQ(host.status, kStatusConnected);
  Sim().Faults().silentAfter = 1;  // nothing is answered any more
  Ticks(2);
  EXPECT_EQ(host.status, kStatusNotConnected);
  EXPECT_EQ(host.firmwareText, kVersionUnknown);
  EXPECT_FALSE(host.configEnabled);
}

struct TGateCase {
  TIntfType kind;
  uint32_t version;
  bool fires;
};

void PrintTo(const TGateCase& c, std::ostream* os) {
  *os << LinkKindName(c.kind) << " version " << Hex(c.version, 8)
      << (c.fires ? " fires" : " stays");
}

class VersionGate : public ShellFixture, public testing::WithParamInterface<TGateCase> {};

TEST_P(VersionGate, OutdatedFramedFirmwareIsSentToTheUpdate) {
  const auto& c = GetParam();
  Open(c.kind, Running(spFirmware, c.version));
  // The user is on the debug page: its flag is set and it locks nothing, so the gate's own
  // switch to the update page must leave the flag set, and the update page in view must lock
  // the commands by itself.
  host.page = mpDebug;
  shell.PageControl1Change();
  ASSERT_TRUE(shell.debug_screen);
  bool timerDuringBox = true;
  bool flagDuringBox = false;
  int pageDuringBox = -1;
  dialogs.whileOpen = [&](const TShownBox&) {
    timerDuringBox = host.timerEnabled;
    flagDuringBox = shell.debug_screen;
    pageDuringBox = host.page;
  };
  Tick();
  TakeCodes();
  Tick();
  auto codes = TakeCodes();
  if (!c.fires) {
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(shell.up_flag);
    EXPECT_FALSE(Contains(codes, cmdEnterLoader));
    EXPECT_EQ(host.page, mpDebug);
    EXPECT_TRUE(shell.debug_screen);
    return;
  }
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "inform");
  EXPECT_EQ(dialogs.shown[0].text,
            "Для дальныейшей работы необходимо\n\rобновить версию ПО модуля KarvelM!");
  EXPECT_EQ(dialogs.shown[0].caption, "Внимание!");
  EXPECT_FALSE(timerDuringBox);
  EXPECT_TRUE(host.timerEnabled);
  EXPECT_TRUE(shell.up_flag);
  EXPECT_EQ(host.page, mpUpdate);
  // After the enter-loader request at most the debug page's probe, which the restarting module
  // leaves unanswered.
  const auto enter = std::find(codes.begin(), codes.end(), cmdEnterLoader);
  ASSERT_NE(enter, codes.end());
  EXPECT_LE(codes.end() - enter, 2);
  EXPECT_TRUE(std::all_of(enter + 1, codes.end(), [](uint8_t c) { return c == cmdIdentify; }));
  // The update page locks the module commands.
  EXPECT_FALSE(host.configEnabled);
  // The switch itself did not touch the page flags: the update page was in view, the debug
  // page's flag still set, while the box was open. Only the tick's refresh of the update page,
  // a page change of its own, then set the flags for the page in view.
  EXPECT_EQ(pageDuringBox, mpUpdate);
  EXPECT_TRUE(flagDuringBox);
  EXPECT_FALSE(shell.debug_screen);
  EXPECT_FALSE(shell.terminal_mode);
  // In the bootloader the update runs, with the from-file state.
  host.fromFile = true;
  shell.UpdateFileName = "image.upd";
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_FALSE(shell.up_flag);
  auto log = TakeLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "update image.upd from file"), log.end());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionGate,
    testing::Values(TGateCase{itUDP, 0x02001500, true}, TGateCase{itUDP, 0x020015FF, true},
                    TGateCase{itHID_NEW, 0x01FF0000, true}, TGateCase{itUDP, 0x02001600, false},
                    TGateCase{itHID_NEW, 0x020016FF, false}, TGateCase{itUDP, 0x03000000, false},
                    TGateCase{itHID_OLD, 0x01000000, false},
                    TGateCase{itHID_OLD, 0x02001500, false}),
    [](const auto& info) {
      return LinkKindName(info.param.kind) + "_" + Hex(info.param.version, 8);
    });

TEST_F(SupervisorTick, ReadRequestedInFirmwareRunsAtTheFirstLoaderTick) {
  for (TIntfType kind : kKinds) {
    SCOPED_TRACE(kind);
    shell.Reset();
    host.log.clear();
    Open(kind);
    Ticks(2);
    ASSERT_EQ(host.status, kStatusConnected);
    TakeCodes();
    shell.RequestConfigRead(0);
    EXPECT_TRUE(shell.get_flag1);
    EXPECT_EQ(TakeCodes(), (std::vector<uint8_t>{cmdIdentify, cmdEnterLoader}));
    ASSERT_TRUE(TickUntilLoader());
    EXPECT_FALSE(shell.get_flag1);
    EXPECT_EQ(host.status, kStatusLoader);
    EXPECT_EQ(host.loaderText, "1.0.5.");
    EXPECT_TRUE(host.restartEnabled);
    EXPECT_TRUE(host.configEnabled);
    Ticks(4);
    auto log = TakeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "read 1"), 1);
    EXPECT_EQ(Sim().Program(), spLoader);
    EXPECT_EQ(host.status, kStatusLoader);
    EXPECT_FALSE(Contains(TakeCodes(), cmdRestart));
  }
}

TEST_F(SupervisorTick, RequestsRaisedTogetherRunInTheFixedOrder) {
  Open(itUDP, Running(spLoader));
  shell.set_flag2 = shell.set_flag1 = shell.get_flag2 = shell.get_flag1 = shell.up_flag = true;
  shell.UpdateFileName = "UpdateKarvel";
  Tick();
  EXPECT_THAT(TakeLog(), ElementsAre("update UpdateKarvel", "hide progress 1", "read 1", "read 2",
                                     "write 1", "write 2"));
  Ticks(2);
  EXPECT_TRUE(TakeLog().empty());
}

TEST_F(SupervisorTick, ARequestPendsUntilTheLoaderAnswers) {
  CloseLink();
  shell.RequestConfigRead(1);  // nothing answers: no cmdEnterLoader, the flag stays
  Ticks(3);
  EXPECT_TRUE(shell.get_flag2);
  Open(itHID_NEW, Running(spLoader));
  shell.RequestConfigRead(1);  // twice still gives one transfer
  EXPECT_FALSE(Contains(TakeCodes(), cmdEnterLoader));
  ASSERT_TRUE(TickUntilLoader());
  Ticks(2);
  EXPECT_THAT(TakeLog(), ElementsAre("read 2"));
}

TEST_F(SupervisorTick, TickInsideATransferBoxDoesNotStartItAgain) {
  Open(itUDP, Running(spLoader));
  int nested = 0;
  host.onTransfer = [&] { dialogs.Inform("Ошибка считывания настроек.", "Считывание настроек"); };
  dialogs.whileOpen = [&](const TShownBox&) {
    if (nested++ < 3) Tick();
  };
  shell.get_flag1 = true;
  Tick();
  auto log = TakeLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "read 1"), 1);
  EXPECT_FALSE(shell.get_flag1);
}

struct TLockCase {
  const char* name;
  int page;
  bool TSupervisor::*flag;
  bool locks;
};

TEST_F(SupervisorTick, DataPagesAndTheUpdatePageLockTheModuleCommands) {
  const TLockCase cases[] = {
      {"terminal", mpTerminal, &TSupervisor::terminal_mode, true},
      {"bus", mpDiagnostics, &TSupervisor::perif_bus_screen, true},
      {"in/out", mpDiagnostics, &TSupervisor::in_out_screen, true},
      {"dac", mpDiagnostics, &TSupervisor::dac_screen, true},
      {"sensors", mpDiagnostics, &TSupervisor::bsd_screen, true},
      {"update", mpUpdate, nullptr, true},
      {"debug", mpDebug, &TSupervisor::debug_screen, false},
      {"parameters", mpDeviceParameters, nullptr, false},
  };
  Open(itUDP, Running(spLoader));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shell.Reset();
    host.page = c.page;
    if (c.flag) shell.*c.flag = true;
    Tick();
    ASSERT_EQ(host.status, kStatusLoader);
    EXPECT_EQ(host.configEnabled, !c.locks);
    EXPECT_EQ(host.updateEnabled, !c.locks);
    EXPECT_EQ(host.restartEnabled, !c.locks);
  }
}

TEST_F(SupervisorTick, PageReadsInOrderWhenTheFirmwareAnswersRedrawsAlways) {
  Open(itUDP);
  Tick();
  // Not a combination the pages make, but it shows the order of the table.
  shell.debug_screen = shell.terminal_mode = shell.in_out_screen = shell.bsd_screen = true;
  host.log.clear();
  Tick();
  EXPECT_THAT(TakeLog(), ElementsAre("read board registers", "read terminal",
                                     "read board registers", "read sensors", "show debug",
                                     "render terminal", "show in/out", "show sensors"));
  // The failed bootloader probe leaves the firmware record: the reads go on every tick.
  Tick();
  EXPECT_EQ(TakeLog().size(), 8u);
  // A silent module: the guard fails, nothing is read, the views are still redrawn.
  Sim().Faults().silentAfter = 1;
  Ticks(2);
  TakeLog();
  Tick();
  EXPECT_THAT(TakeLog(),
              ElementsAre("show debug", "render terminal", "show in/out", "show sensors"));
  EXPECT_EQ(host.busyDepth, 0);
}

TEST_F(SupervisorTick, BusAndDacPagesRelistTheDevicesWhenTheFirmwareIsFound) {
  const struct {
    int subPage;
    const char* read;
    const char* show;
  } cases[] = {{dpPeripheralBus, "poll bus statistics", "show bus statistics"},
               {dpDac, "read dac", "show dac"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read);
    shell.Reset();
    Open(itHID_NEW);
    host.page = mpDiagnostics;
    host.subPage = c.subPage;
    shell.PageControl1Change();
    Tick();
    host.log.clear();
    Tick();
    EXPECT_THAT(TakeLog(), ElementsAre("relist devices", c.read, c.show));
    Ticks(2);
    EXPECT_THAT(TakeLog(), ElementsAre(c.read, c.show, c.read, c.show));
  }
}

// A page that is not built has nothing registered: its flag still locks the commands and the
// tick still makes the page's firmware check, so the module sees the requests it sees with the
// page built.
TEST_F(SupervisorTick, PagesNotBuiltKeepTheirGuardAndLock) {
  TSupervisor bare{host};
  auto run = [&](TSupervisor& supervisor) {
    Open(itUDP);
    supervisor.Reset();
    supervisor.DEV_ID = shell.DEV_ID;
    supervisor.terminal_mode = supervisor.perif_bus_screen = true;
    supervisor.Timer1Timer();
    supervisor.Timer1Timer();
    EXPECT_FALSE(host.configEnabled);
    return TakeCodes();
  };
  const auto built = run(shell);
  host.log.clear();
  const auto notBuilt = run(bare);
  EXPECT_EQ(notBuilt, built);
  EXPECT_TRUE(host.log.empty());
  bare.terminal_mode = bare.perif_bus_screen = false;
  bare.debug_screen = true;
  bare.Timer1Timer();
  EXPECT_TRUE(host.configEnabled);
  EXPECT_TRUE(bare.PageChangeAllowed());
}

TEST_F(SupervisorTick, UpdatePageRefreshedWhenTheFirmwareIsFound) {
  Open(itUDP);
  host.page = mpUpdate;
  Ticks(2);
  auto log = TakeLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "refresh update page"), 1);
  Ticks(2);
  log = TakeLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "refresh update page"), 0);
}

TEST_F(SupervisorTick, FirmwareStatusIsShownAgainAfterTheLoader) {
  // The module leaves its bootloader between two probes: the firmware probe succeeds while
  // the bootloader record is still set, so that tick shows the bootloader; the next firmware
  // tick must not leave "загрузчик" on screen.
  Open(itUDP, Running(spLoader, 0x02002200, 0));
  Tick();  // bootloader probe
  ASSERT_EQ(host.status, kStatusLoader);
  Sim().SetProgram(spFirmware);
  Tick();  // firmware probe, bootloader record still set
  EXPECT_EQ(host.status, kStatusLoader);
  Tick();  // bootloader probe fails
  Tick();  // firmware
  EXPECT_EQ(host.status, kStatusConnected);
  EXPECT_EQ(host.firmwareText, "2.0.34.");
  EXPECT_FALSE(host.restartEnabled);
}

class ShellCommands : public ShellFixture {};

TEST_F(ShellCommands, CancelledConfirmationsSendNothing) {
  Open(itUDP);
  Ticks(2);
  TakeCodes();
  dialogs.answers = {false, false, false};
  shell.RequestConfigWrite(0);
  shell.RequestConfigWrite(1);
  Open(itUDP, Running(spLoader));
  shell.RestartModule();
  EXPECT_TRUE(TakeCodes().empty());
  EXPECT_FALSE(shell.set_flag1);
  EXPECT_FALSE(shell.set_flag2);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].text, "Записать в конфигурацию 1 платы?");
  EXPECT_EQ(dialogs.shown[1].text, "Записать в конфигурацию 2 платы?");
  EXPECT_EQ(dialogs.shown[0].caption, "Запись в плату");
  EXPECT_EQ(dialogs.shown[2].text, "Перезапустить плату?");
  EXPECT_EQ(dialogs.shown[2].caption, "Перезапуск платы");
}

TEST_F(ShellCommands, ConfirmedWriteRaisesTheFlagAndEntersTheLoader) {
  Open(itHID_OLD);
  Ticks(2);
  TakeCodes();
  shell.RequestConfigWrite(1);
  EXPECT_TRUE(shell.set_flag2);
  EXPECT_EQ(TakeCodes(), (std::vector<uint8_t>{cmdIdentify, cmdEnterLoader}));
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_THAT(TakeLog(), testing::Contains("write 2"));
}

TEST_F(ShellCommands, RestartOnlyInTheLoader) {
  Open(itUDP);
  Ticks(2);
  TakeCodes();
  shell.RestartModule();
  EXPECT_FALSE(Contains(TakeCodes(), cmdRestart));
  EXPECT_EQ(Sim().Program(), spFirmware);

  Open(itUDP, Running(spLoader));
  shell.RestartModule();
  EXPECT_EQ(TakeCodes(), (std::vector<uint8_t>{cmdIdentify, cmdRestart}));
  EXPECT_TRUE(dialogs.shown.size() == 2 && dialogs.shown[1].kind == "ask");
}

struct TPageCase {
  int page;
  int subPage;
  bool terminal, bus, inOut, dac, sensors, debug;
};

TEST_F(ShellCommands, PageSwitchSetsThePageFlags) {
  const TPageCase cases[] = {
      {mpDeviceParameters, 2, false, false, false, false, false, false},
      {mpTerminal, 0, true, false, false, false, false, false},
      {mpDiagnostics, dpPeripheralBus, false, true, false, false, false, false},
      {mpDiagnostics, dpInOut, false, false, true, false, false, false},
      {mpDiagnostics, dpDac, false, false, false, true, false, false},
      {mpDiagnostics, dpSensors, false, false, false, false, true, false},
      {mpUpdate, 1, false, false, false, false, false, false},
      {mpDebug, 0, false, false, false, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.page << "/" << c.subPage);
    // Start from every flag raised so that clearing shows too.
    shell.terminal_mode = shell.perif_bus_screen = shell.in_out_screen = shell.dac_screen =
        shell.bsd_screen = shell.debug_screen = true;
    host.page = c.page;
    host.subPage = c.subPage;
    host.log.clear();
    shell.PageControl1Change();
    EXPECT_EQ(shell.terminal_mode, c.terminal);
    EXPECT_EQ(shell.perif_bus_screen, c.bus);
    EXPECT_EQ(shell.in_out_screen, c.inOut);
    EXPECT_EQ(shell.dac_screen, c.dac);
    EXPECT_EQ(shell.bsd_screen, c.sensors);
    EXPECT_EQ(shell.debug_screen, c.debug);
    auto log = host.log;
    EXPECT_EQ(std::count(log.begin(), log.end(), "focus terminal"), c.page == mpTerminal);
    EXPECT_EQ(std::count(log.begin(), log.end(), "refresh update page"), c.page == mpUpdate);
  }
}

// Entering a sub-page lists the devices of the bus and DAC pages only.
TEST_F(ShellCommands, SubPageSwitchRelistsTheBusAndDacPages) {
  const struct {
    int subPage;
    bool relists;
  } cases[] = {{dpPeripheralBus, true}, {dpInOut, false}, {dpDac, true}, {dpSensors, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subPage);
    host.subPage = c.subPage;
    host.log.clear();
    shell.PageControl2Change();
    EXPECT_EQ(host.log,
              c.relists ? std::vector<std::string>{"relist devices"} : std::vector<std::string>{});
  }
}

TEST_F(ShellCommands, LeavingTheTerminalFreesTheCommandsAtTheNextTick) {
  Open(itUDP);
  host.page = mpTerminal;
  shell.PageControl1Change();
  Ticks(2);
  EXPECT_FALSE(host.configEnabled);
  host.page = mpDeviceParameters;
  shell.PageControl1Change();
  Ticks(2);
  EXPECT_TRUE(host.configEnabled);
}

TEST_F(ShellCommands, PageChangesRefusedWhileTheDacTimerRuns) {
  EXPECT_TRUE(shell.PageChangeAllowed());
  host.dacTimer = true;
  EXPECT_FALSE(shell.PageChangeAllowed());
}

}  // namespace
}  // namespace karvelm
