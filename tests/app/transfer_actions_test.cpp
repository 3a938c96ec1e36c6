#include "app/transfer_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_texts.h"
#include "link/commands.h"
#include "shell_fixture.h"

namespace karvelm {
namespace {

class TransferActions : public ShellFixture {
 protected:
  TConfigImage image{};
};

TEST_F(TransferActions, ReadRefusedByTheLoaderIsReportedAndThePagesRefreshed) {
  Open(itUDP, Running(spLoader));
  Sim().SetHandler(spLoader, cmdOpenRead,
                   [](TModuleSim& sim, const TSimRequest& request) { sim.Fail(request); });
  host.caption = "x - file.bin";
  ReadConfigurationWithProgress(host, image, 0);
  EXPECT_EQ(host.caption, BaseTitle());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Ошибка считывания настроек.");
  EXPECT_EQ(dialogs.shown[0].caption, "Считывание настроек");
  EXPECT_FALSE(host.progressVisible);
  EXPECT_THAT(host.progress, testing::ElementsAre(0));
  EXPECT_EQ(host.log.back(), "refresh config pages");
  EXPECT_EQ(host.busyDepth, 0);
  EXPECT_GE(host.maxBusyDepth, 1);
}

TEST_F(TransferActions, FirmwareInsteadOfTheLoaderEndsSilently) {
  Open(itHID_NEW, Running(spFirmware));
  ReadConfigurationWithProgress(host, image, 1);
  WriteConfigurationWithProgress(host, image, 1);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(host.caption, BaseTitle());
  EXPECT_FALSE(host.progressVisible);
  EXPECT_TRUE(host.progress.empty());
  EXPECT_THAT(host.log, testing::Contains("refresh config pages"));
  EXPECT_EQ(host.busyDepth, 0);
  auto codes = TakeCodes();
  EXPECT_FALSE(Contains(codes, cmdOpenRead));
  EXPECT_FALSE(Contains(codes, cmdWriteConfig));
}

TEST_F(TransferActions, WriteWhosePieceIsLostTellsTheUser) {
  Open(itUDP, Running(spLoader));
  // The module takes the announced length but acknowledges no piece.
  Sim().SetHandler(spLoader, cmdWriteConfig, [](TModuleSim& sim, const TSimRequest& request) {
    sim.Reply(request);
    sim.SetDataSink([](TModuleSim&, const TSimRequest&) {});
  });
  WriteConfigurationWithProgress(host, image, 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Ошибка записи настроек.");
  EXPECT_EQ(dialogs.shown[0].caption, "Запись настроек");
  EXPECT_FALSE(host.progressVisible);
  EXPECT_EQ(host.busyDepth, 0);
}

}  // namespace
}  // namespace karvelm
