// Firmware updates as the simulated module takes them, driven by the update flows themselves
// on each link kind.
#include <numeric>

#include "link/commands_accessory.h"
#include "link/commands_codec.h"
#include "link/framing.h"
#include "link/module_commands.h"
#include "sim/peripheral_model.h"
#include "sim/sim_images.h"
#include "sim/updater_model.h"
#include "sim_fixture.h"
#include "update/accessory_update.h"
#include "update/module_update.h"
#include "update/version_page.h"

namespace karvelm {
namespace {

constexpr uint32_t kOldFirmware = 0x02001500;

class SimUpdaterTest : public SimKindTest {
 protected:
  void SetUp() override {
    TSimConfig config;
    config.firmwareVersion = kOldFirmware;
    OpenSim(GetParam(), config);
    model = sim->FindModel<TUpdaterModel>();
    ASSERT_NE(model, nullptr);
    images.Prepend(MakeSimImageSource());
  }

  int Count(uint8_t type, uint8_t code = 0) const {
    int n = 0;
    for (const TSimRequest& r : sim->Requests()) n += r.type == type && r.code == code;
    return n;
  }
  int Commands(uint8_t code) const { return Count(kSimTypeReply, code); }
  int DataPackets() const { return Count(kSimTypeData); }

  // Restarts from the bootloader and waits out the silence.
  void RestartModule() {
    ASSERT_TRUE(Restart());
    clock.Advance(sim->Config().restartMs + 1);
  }

  TAccessoryUpdateContext Context() { return {images, hooks, false, true}; }

  TUpdaterModel* model = nullptr;
  TImageResolver images;
  TUpdateHooks hooks;
};

TEST(SimImages, RecognisedOnlyWholeAndUnchanged) {
  const std::vector<uint8_t> image = SimImageFor("UpdateExtM");
  ASSERT_EQ(image.size(), kSimAccessoryImageSize);
  const auto info = ParseSimImage(image);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->target, "UpdateExtM");
  EXPECT_EQ(info->version, 0x01011500u);

  std::vector<uint8_t> changed = image;
  changed[1000] ^= 1;
  EXPECT_FALSE(ParseSimImage(changed));
  EXPECT_FALSE(ParseSimImage(std::span(image).first(image.size() - 64)));
  EXPECT_FALSE(ParseSimImage(std::vector<uint8_t>(100, 0)));
  EXPECT_TRUE(SimImageFor("UpdateNothing").empty());
}

TEST_P(SimUpdaterTest, ModuleImageTakenInChunksAndRunAfterTheRestart) {
  sim->SetProgram(spLoader);
  const TModuleUpdateResult result = UpdateModuleFirmware("", false, images, hooks);
  ASSERT_EQ(result.outcome, muDone) << result.message;
  const std::vector<uint8_t> expected = SimImageFor(ModuleImageName(Kind()));
  EXPECT_EQ(model->firmware.image, expected);
  EXPECT_TRUE(model->firmware.complete);
  const int chunk = LinkSizes(Kind()).chunk;
  EXPECT_EQ(DataPackets(), static_cast<int>((expected.size() + chunk - 1) / chunk));

  // The bootloader still reports the old firmware; the restart runs the new one.
  EXPECT_EQ(Version(cmdGetOtherVersion), kOldFirmware);
  RestartModule();
  EXPECT_EQ(sim->Program(), spFirmware);
  EXPECT_EQ(Version(cmdGetVersion), ParseSimImage(expected)->version);
}

TEST_P(SimUpdaterTest, ForeignImageKeepsTheVersionAndABrokenWriteStaysInTheBootloader) {
  sim->SetProgram(spLoader);
  std::vector<uint8_t> foreign(5000);
  std::iota(foreign.begin(), foreign.end(), 0);
  ASSERT_TRUE(WriteToLoader(cmdWriteFirmware, foreign.data(), 5000));
  EXPECT_EQ(model->firmware.image, foreign);
  RestartModule();
  EXPECT_EQ(sim->Program(), spFirmware);
  EXPECT_EQ(Version(cmdGetVersion), kOldFirmware);

  // A write that stops half-way leaves no firmware to run.
  sim->SetProgram(spLoader);
  ASSERT_TRUE(BeginWrite(cmdWriteFirmware, 5000));
  ASSERT_TRUE(WritePieces(foreign.data(), 1000));
  sim->SetDataSink(nullptr);  // the writer gave up
  RestartModule();
  EXPECT_EQ(sim->Program(), spLoader);
  EXPECT_TRUE(CheckModule(LOADER_ID, 250));
}

TEST_P(SimUpdaterTest, EmptyAnnouncementIsTakenAndReportedAsAnError) {
  sim->SetProgram(spLoader);
  auto empty = std::make_shared<TMemoryImageSource>("test");
  empty->Add(ModuleImageName(Kind()), {});
  images.Prepend(empty);
  const TModuleUpdateResult result = UpdateModuleFirmware("", false, images, hooks);
  EXPECT_EQ(result.outcome, muEmptyImage);
  EXPECT_EQ(Commands(cmdWriteFirmware), 1);
  EXPECT_EQ(DataPackets(), 0);
  EXPECT_TRUE(model->firmwareValid);
}

TEST_P(SimUpdaterTest, VersionQueriesOnTheVersionPage) {
  const TModuleVersions state{true, kOldFirmware, false, 0};
  TVersionPageRows rows = RefreshVersionPage(state, {});
  // Only a first-generation module has the BOSI link.
  EXPECT_EQ(rows.bosi.version, Framed() ? "-" : "v 2.3.0.");
  EXPECT_EQ(rows.panel.version, "v 1.9.0.");
  EXPECT_EQ(Commands(cmdGetBosiVersion), Framed() ? 0 : 1);

  model->bosiVersion = 0;
  model->panelVersion = 0;
  rows = RefreshVersionPage(state, {});
  EXPECT_EQ(rows.bosi.version, "-");
  EXPECT_FALSE(rows.panel.enabled);
}

struct TReadinessCase {
  const char* name;
  TSimReadiness readiness;
  int busyPolls;
  TAccessoryOutcome outcome;
  int prepares;  // cmdPreparePanelUpdate sent
};

TEST_P(SimUpdaterTest, PanelUpdateForEachReadiness) {
  const TReadinessCase cases[] = {
      {"AtOnce", srAtOnce, 0, aoDone, 1},
      {"AtSecondWithBusyPolls", srAtSecond, 3, aoDone, 2},
      {"Never", srNever, 0, aoNotReady, 2},
  };
  TPeripheralBusModel* buses = sim->FindModel<TPeripheralBusModel>();
  ASSERT_NE(buses, nullptr);
  for (const TReadinessCase& c : cases) {
    SCOPED_TRACE(c.name);
    sim->ClearRecord();
    model->panelVersion = kSimDefaultPanelVersion;
    buses->panel = {1, 1, kSimDefaultPanelVersion};
    model->readiness = c.readiness;
    model->busyPolls = c.busyPolls;
    const TAccessoryResult result = UpdatePanel(Context(), pkTorsen);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(Commands(cmdPreparePanelUpdate), c.prepares);
    // Finished and resumed in every case.
    EXPECT_EQ(Commands(cmdFinishPanelUpdate), 1);
    EXPECT_EQ(Commands(cmdResume), 1);
    ASSERT_FALSE(model->finished.empty());
    const TSimAccessoryUpdate& update = model->finished.back();
    if (c.outcome != aoDone) {
      EXPECT_EQ(model->panelVersion, kSimDefaultPanelVersion);
      EXPECT_EQ(buses->panel.Version, kSimDefaultPanelVersion);
      EXPECT_EQ(DataPackets(), 0);
      continue;
    }
    EXPECT_EQ(update.image, SimImageFor("UpdatePNT"));
    EXPECT_EQ(model->panelVersion, 0x01040000u);
    // The panel link reports the new version as well.
    EXPECT_EQ(buses->panel.Version, 0x01040000u);
    const int pieces = static_cast<int>((kSimAccessoryImageSize + 63) / 64);
    EXPECT_EQ(DataPackets(), pieces);
    // Framed links ask after each piece, busy polls included; a first-generation module sends
    // the status unasked.
    const int prepareStatus = c.readiness == srAtSecond ? 2 : 1;
    EXPECT_EQ(Commands(cmdGetUpdateStatus),
              prepareStatus + (Framed() ? pieces * (c.busyPolls + 1) : 0));
  }
}

TEST_P(SimUpdaterTest, BosiUpdateRestartsTheModuleEvenWhenItFails) {
  for (TSimReadiness readiness : {srAtOnce, srNever}) {
    model->readiness = readiness;
    model->bosiVersion = kSimDefaultBosiVersion;
    const uint64_t before = sim->SilentUntil();
    const TAccessoryResult result = UpdateBosi(Context());
    EXPECT_EQ(result.outcome, readiness == srAtOnce ? aoDone : aoNotReady);
    EXPECT_GT(sim->SilentUntil(), before) << "restarted";
    EXPECT_EQ(sim->Program(), spFirmware);
    EXPECT_EQ(model->bosiVersion, readiness == srAtOnce ? 0x02040000u : kSimDefaultBosiVersion);
  }
}

TEST_P(SimUpdaterTest, ExtModuleUpdateChangesThatModulesVersion) {
  ExtModuleInfo inLoader{};
  inLoader.NetAddress = 0x0A;
  inLoader.Version = 0x010100B0;
  ExtModuleInfo other{};
  other.NetAddress = 0x1F;
  other.Version = 0x01011000;
  sim->ExtModules()[{0, 1}] = inLoader;
  sim->ExtModules()[{2, 0}] = other;

  TAccessoryResult result = UpdateExtModule(Context(), "RK-110M 0x0A", 0x0A);
  EXPECT_EQ(result.outcome, aoDone);
  EXPECT_EQ((sim->ExtModules()[{0, 1}].Version), 0x01011500u);
  EXPECT_EQ((sim->ExtModules()[{2, 0}].Version), 0x01011000u);
  const auto found = ListExtModulesOnLink();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_FALSE(found[0].bootloader);

  // No module at the address: never ready, nothing sent, finished all the same.
  sim->ClearRecord();
  result = UpdateExtModule(Context(), "RK-110M 0x0B", 0x0B);
  EXPECT_EQ(result.outcome, aoNotReady);
  EXPECT_EQ(DataPackets(), 0);
  EXPECT_EQ(Commands(cmdFinishExtModuleUpdate), 1);
}

// Legacy reports carry no length, so only the framed links can show a wrong piece.
class SimUpdaterFramedTest : public SimUpdaterTest {};

TEST_P(SimUpdaterFramedTest, PiecesOutOfTurnAreRefused) {
  model->busyPolls = 2;
  ASSERT_TRUE(PreparePanelUpdate());
  // The length command is refused for another target and before a prepare.
  EXPECT_FALSE(Transact(cmdWriteBosiFirmware, EncodeLength32(128).data(), 4, nullptr, 0, 250));
  ASSERT_TRUE(Transact(cmdWritePanelFirmware, EncodeLength32(128).data(), 4, nullptr, 0, 250));
  const std::vector<uint8_t> piece(65, 0x5A);
  ASSERT_TRUE(WriteData(piece.data(), 64, 250));
  // The target has not taken the first piece yet.
  EXPECT_FALSE(WriteData(piece.data(), 64, 250));
  EXPECT_TRUE(WaitForUpdateTarget());
  EXPECT_FALSE(WriteData(piece.data(), 65, 250)) << "longer than a piece";
  EXPECT_TRUE(WriteData(piece.data(), 64, 250));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimUpdaterTest, KARVELM_ALL_KINDS);
INSTANTIATE_TEST_SUITE_P(Kinds, SimUpdaterFramedTest, KARVELM_FRAMED_KINDS);

}  // namespace
}  // namespace karvelm
