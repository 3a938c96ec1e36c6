#include "update/accessory_update.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/clock.h"
#include "fake_module_link.h"
#include "link/commands.h"
#include "link_state_scope.h"
#include "temp_folder.h"
#include "update/update_texts.h"
#include "update_test_util.h"

namespace karvelm {
namespace {

using fake::Bytes;
using fake::TFakeModuleLink;
using Codes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

const Bytes kReady = {0x01, 0x00, 0x00, 0x00};
const Bytes kNotReady = {0x00, 0x00, 0x00, 0x00};

Bytes Image(size_t n) {
  Bytes image(n);
  for (size_t i = 0; i < n; ++i) image[i] = static_cast<uint8_t>(i + 1);
  return image;
}

std::string Informed(const std::string& text) {
  return "inform " + text + " | " + kUpdateCaption;
}

class AccessoryFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    builtIn = std::make_shared<TMemoryImageSource>("test images");
    images.Append(builtIn);
    for (const char* name : {kImageBosi, kImagePanelKarvel, kImagePanelTorsen, kImageExtModule})
      builtIn->Add(name, Image(130));
  }
  void Open(TIntfType kind) {
    this->kind = kind;
    module = fake::OpenFakeLink(kind);
  }
  // The module's answer to a command without reply data: only the framed links read one.
  void Ack(int n = 1) {
    for (int i = 0; i < n && kind != itHID_OLD; ++i) module->Answer();
  }
  void Firmware() { module->Answer({static_cast<uint8_t>(kind == itHID_OLD ? 0x05 : 0x07), 0x3B}); }
  // The status after a piece: a reply on the framed links, an unasked data packet on itHID_OLD.
  void Status(const Bytes& status) { module->Answer(status); }
  // Every piece acknowledged and taken at once.
  void Pieces(int n) {
    for (int i = 0; i < n; ++i) {
      Ack();
      Status(kReady);
    }
  }
  // Finishing a panel or external module: identify, finish, resume.
  void Finish() {
    Firmware();
    Ack(2);
  }
  TAccessoryUpdateContext Context(bool fromFile = false) {
    return {images, user.hooks, fromFile, true};
  }
  std::vector<size_t> DataPackets() const {
    return module->DataPacketIndexes();
  }

  TFakeClock clock;
  TLinkStateScope linkState{&clock};
  TIntfType kind = itUDP;
  TFakeModuleLink* module = nullptr;
  std::shared_ptr<TMemoryImageSource> builtIn;
  TImageResolver images;
  testing::TRecordingHooks user;
};

class AccessoryKinds : public AccessoryFlow, public ::testing::WithParamInterface<TIntfType> {};

// A 130-byte image goes as 64, 64 and 2 bytes, each followed by the status wait: asked with
// cmdGetUpdateStatus on the framed links, arriving unasked on itHID_OLD.
TEST_P(AccessoryKinds, ExternalModuleUpdateSendsPiecesEachFollowedByAStatusWait) {
  Open(GetParam());
  const bool legacy = kind == itHID_OLD;
  Firmware();
  Ack(2);  // pause, prepare
  Status(kReady);
  Ack();  // length
  Pieces(3);
  Finish();

  const TAccessoryResult result = UpdateExtModule(Context(), "RK-130M 0x1F", 0x1F);
  EXPECT_EQ(result.outcome, aoDone);
  const Codes status = legacy ? Codes{} : Codes{cmdGetUpdateStatus};
  Codes expected = {cmdIdentify, cmdPause, cmdPrepareExtModuleUpdate, cmdGetUpdateStatus,
                    cmdWriteExtModuleFirmware};
  for (int piece = 0; piece < 3; ++piece)
    expected.insert(expected.end(), status.begin(), status.end());
  expected.insert(expected.end(), {cmdIdentify, cmdFinishExtModuleUpdate, cmdResume});
  EXPECT_EQ(module->Commands(), expected);
  EXPECT_EQ(module->PayloadOf(2, 4), (Bytes{0x1F, 0, 0, 0})) << "the row's address";
  EXPECT_EQ(module->PayloadOf(4, 4), (Bytes{130, 0, 0, 0}));

  const auto data = DataPackets();
  ASSERT_EQ(data.size(), 3u);
  const Bytes image = Image(130);
  EXPECT_EQ(module->PayloadOf(data[0], 64), Bytes(image.begin(), image.begin() + 64));
  EXPECT_EQ(module->PayloadOf(data[1], 64), Bytes(image.begin() + 64, image.begin() + 128));
  EXPECT_EQ(module->PayloadOf(data[2], 2), (Bytes{129, 130}));
  if (!legacy) {
    EXPECT_EQ(module->Sent(data[2]).payload.size(), 2u);
  }
  // Each piece is answered before the next goes: the status wait sits between the pieces.
  EXPECT_EQ(data[1] - data[0], legacy ? 1u : 2u);

  std::vector<int> pieceTimeouts;
  for (const auto& read : module->reads)
    if (read.timeout == kTimeoutAccessoryData || read.timeout == kTimeoutStatusPollFramed ||
        read.timeout == kTimeoutStatusPollLegacy)
      pieceTimeouts.push_back(read.timeout);
  const std::vector<int> perPiece =
      legacy ? std::vector<int>{kTimeoutStatusPollLegacy}
             : std::vector<int>{kTimeoutAccessoryData, kTimeoutStatusPollFramed};
  std::vector<int> expectedTimeouts;
  for (int piece = 0; piece < 3; ++piece)
    expectedTimeouts.insert(expectedTimeouts.end(), perPiece.begin(), perPiece.end());
  EXPECT_EQ(pieceTimeouts, expectedTimeouts);
  if (legacy) {
    EXPECT_EQ(module->reads[2].reportId, 0) << "a data packet read, nothing asked";
  }

  EXPECT_EQ(user.percents, (std::vector<int>{0, 49, 98, 100}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{1000, 1000, 1000}));
  EXPECT_EQ(user.events,
            (Texts{std::string("ask Обновить прошивку модуля RK-130M 0x1F ? | ") + kUpdateCaption,
                   "timer off", "busy", "busy", "bar shown", "bar hidden", "idle", "idle", "busy",
                   "refresh", "idle", "timer on"}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, AccessoryKinds, ::testing::Values(itHID_OLD, itHID_NEW, itUDP));

TEST_F(AccessoryFlow, PanelReadyOnlyAtTheSecondStatusIsUpdated) {
  Open(itUDP);
  Firmware();
  Ack(2);  // pause, prepare
  Status(kNotReady);
  Ack();  // prepare again
  Status(kReady);
  Ack();
  Pieces(3);
  Finish();
  const TAccessoryResult result = UpdatePanel(Context(), pkKarvel);
  EXPECT_EQ(result.outcome, aoDone);
  EXPECT_EQ(module->Commands(),
            (Codes{cmdIdentify, cmdPause, cmdPreparePanelUpdate, cmdGetUpdateStatus,
                   cmdPreparePanelUpdate, cmdGetUpdateStatus, cmdWritePanelFirmware,
                   cmdGetUpdateStatus, cmdGetUpdateStatus, cmdGetUpdateStatus, cmdIdentify,
                   cmdFinishPanelUpdate, cmdResume}));
  EXPECT_EQ(module->reads[2].timeout, kTimeoutPreparePanel);
  EXPECT_EQ(module->reads[3].timeout, kTimeoutPanelStatus);
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{500, 500, 1000, 1000}));
  EXPECT_EQ(user.events.front(), "timer off");
  EXPECT_EQ(user.events.back(), "timer on");
  EXPECT_EQ(user.events[1],
            std::string("ask ") + kAskPanelKarvelUpdateText + " | " + kUpdateCaption);
}

TEST_F(AccessoryFlow, PanelNeverReadyIsReportedAndStillFinishedAndResumed) {
  Open(itHID_NEW);
  Firmware();
  Ack(2);
  Status(kNotReady);
  Ack();
  Status(kNotReady);
  Finish();
  const TAccessoryResult result = UpdatePanel(Context(), pkTorsen);
  EXPECT_EQ(result.outcome, aoNotReady);
  EXPECT_EQ(module->Commands(),
            (Codes{cmdIdentify, cmdPause, cmdPreparePanelUpdate, cmdGetUpdateStatus,
                   cmdPreparePanelUpdate, cmdGetUpdateStatus, cmdIdentify, cmdFinishPanelUpdate,
                   cmdResume}));
  EXPECT_TRUE(DataPackets().empty());
  EXPECT_EQ(user.Only("inform"), Texts{Informed(kUpdateErrorText)});
  EXPECT_EQ(user.events.back(), "timer on");
}

// The finish message and cmdFinishBosiUpdate follow a failed update as well as a good one.
TEST_F(AccessoryFlow, BosiFinishFollowsEveryOutcomeAndTheModuleRestarts) {
  for (const bool ready : {true, false}) {
    SCOPED_TRACE(ready ? "ready" : "never ready");
    user.events.clear();
    clock = TFakeClock();
    Open(itHID_OLD);
    Firmware();
    Status(kNotReady);
    Status(ready ? kReady : kNotReady);
    for (int piece = 0; piece < 3; ++piece) Status(kReady);
    const TAccessoryResult result = UpdateBosi(Context());
    EXPECT_EQ(result.outcome, ready ? aoDone : aoNotReady);
    Codes expected = {cmdIdentify,          cmdPause,
                      cmdPrepareBosiUpdate, cmdGetUpdateStatus,
                      cmdPrepareBosiUpdate, cmdGetUpdateStatus};
    if (ready) expected.push_back(cmdWriteBosiFirmware);
    expected.push_back(cmdFinishBosiUpdate);
    EXPECT_EQ(module->Commands(), expected);
    Texts informed;
    if (!ready) informed.push_back(Informed(kUpdateErrorText));
    informed.push_back(Informed(kBosiUpdateFinishedText));
    EXPECT_EQ(user.Only("inform"), informed);
    EXPECT_EQ(user.Only("timer"), Texts{}) << "the BOSI branch leaves Timer1 running";
    EXPECT_EQ(clock.Sleeps(), std::vector<int>{3000});
    EXPECT_EQ(user.events.back(), "refresh");
  }
}

TEST_F(AccessoryFlow, DeclinedOrCancelledEndsWithNothingSentAndTimer1Running) {
  Open(itUDP);
  Firmware();
  user.answer = false;
  EXPECT_EQ(UpdatePanel(Context(), pkTorsen).outcome, aoDeclined);
  EXPECT_EQ(user.Only("timer"), (Texts{"timer off", "timer on"}));
  EXPECT_EQ(user.events[1],
            std::string("ask ") + kAskPanelTorsenUpdateText + " | " + kUpdateCaption);

  user.events.clear();
  user.answer = true;  // the file dialog is cancelled
  EXPECT_EQ(UpdateExtModule(Context(true), "RK-110M 0x0A", 0x0A).outcome, aoNoSource);
  EXPECT_EQ(user.events,
            (Texts{std::string("ask Обновить прошивку модуля RK-110M 0x0A ? | ") + kUpdateCaption,
                   "dialog"}));
  EXPECT_EQ(user.filterIndexes, std::vector<int>{kAccessoryFilterIndex});

  user.events.clear();
  user.answer = false;
  EXPECT_EQ(UpdateBosi(Context()).outcome, aoDeclined);
  EXPECT_TRUE(module->written.empty());
}

TEST_F(AccessoryFlow, ImageThatCannotBeHadIsToldAndNothingIsSent) {
  TTempFolder folder;
  Open(itUDP);
  Firmware();
  TImageResolver empty;
  empty.Append(std::make_shared<TMemoryImageSource>("nowhere"));
  TAccessoryResult result = UpdatePanel({empty, user.hooks, false, true}, pkKarvel);
  EXPECT_EQ(result.outcome, aoImageError);
  ASSERT_EQ(user.Only("inform").size(), 1u);
  EXPECT_NE(user.Only("inform")[0].find(kImagePanelKarvel), std::string::npos);
  EXPECT_EQ(user.events.back(), "timer on") << "Timer1 runs again after the message";

  user.events.clear();
  user.chosenFile = folder.Path();  // a folder chosen as the file
  result = UpdateExtModule(Context(true), "RK-110M 0x0A", 0x0A);
  EXPECT_EQ(result.outcome, aoImageError);
  EXPECT_NE(result.message.find(folder.Path()), std::string::npos);
  EXPECT_TRUE(user.Only("timer").empty());
  EXPECT_TRUE(module->written.empty());
}

TEST_F(AccessoryFlow, ChosenFileIsSentUnchanged) {
  TTempFolder folder;
  user.chosenFile = folder.Write("panel.upm", "PANEL");
  Open(itUDP);
  Firmware();
  Ack(2);
  Status(kReady);
  Ack();
  Pieces(1);
  Finish();
  const TAccessoryResult result = UpdatePanel(Context(true), pkKarvel);
  EXPECT_EQ(result.outcome, aoDone);
  ASSERT_TRUE(result.source && result.source->fromFile);
  EXPECT_EQ(result.source->source, *user.chosenFile);
  EXPECT_EQ(module->Sent(DataPackets().at(0)).payload, (Bytes{'P', 'A', 'N', 'E', 'L'}));
}

TEST_F(AccessoryFlow, ModuleSilentAtTheStartSendsNothingElse) {
  Open(itUDP);
  EXPECT_EQ(UpdateExtModule(Context(), "RK-110M 0x0A", 0x0A).outcome, aoModuleAbsent);
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdIdentify, cmdIdentify}));
  EXPECT_TRUE(user.Only("inform").empty());
  EXPECT_EQ(user.Only("timer"), (Texts{"timer off", "timer on"}));
}

struct TTransferCase {
  const char* name;
  TIntfType kind;
  int goodPieces;  // pieces acknowledged and taken before the fault
  int fault;       // 0 piece unacknowledged, 1 status exchange fails, 2 never ready
  TAccessoryTransferOutcome outcome;
  friend void PrintTo(const TTransferCase& c, std::ostream* os) { *os << c.name; }
};

class AccessoryTransfer : public AccessoryFlow,
                          public ::testing::WithParamInterface<TTransferCase> {};

TEST_P(AccessoryTransfer, FaultStopsTheTransferWithUpdateError) {
  const TTransferCase c = GetParam();
  Open(c.kind);
  Ack();  // length
  Pieces(c.goodPieces);
  if (c.fault >= 1) Ack();
  if (c.fault == 2)
    for (int i = 0; i < 4000; ++i) Status(kNotReady);
  const TFirmwareImage image{"test", Image(130)};
  const TAccessoryTransferResult result =
      TransferAccessoryImage(image, cmdWritePanelFirmware, true, user.hooks);
  EXPECT_EQ(result.outcome, c.outcome);
  EXPECT_EQ(result.sent, 64u * static_cast<uint32_t>(c.goodPieces));
  EXPECT_EQ(DataPackets().size(), static_cast<size_t>(c.goodPieces + 1));
  EXPECT_EQ(user.Only("inform"), Texts{Informed(kUpdateErrorText)});
  EXPECT_EQ(user.Only("bar"), (Texts{"bar shown", "bar hidden"}));
  if (c.fault == 2) {
    // 30 s of "not ready" in 10 ms pauses, then the wait gives up.
    EXPECT_EQ(clock.Sleeps().size(), 3000u);
    EXPECT_EQ(clock.NowMs(), kStatusWaitLimitMs);
    EXPECT_EQ(module->answers.size(), 4000u - 3001u) << "polling stopped at the bound";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, AccessoryTransfer,
    ::testing::Values(TTransferCase{"unacknowledgedPiece", itUDP, 1, 0, atPieceNotAcknowledged},
                      TTransferCase{"statusFails", itHID_NEW, 0, 1, atStatusFailed},
                      TTransferCase{"legacyStatusFails", itHID_OLD, 1, 1, atStatusFailed},
                      TTransferCase{"neverReadyFramed", itUDP, 1, 2, atNeverReady},
                      TTransferCase{"neverReadyLegacy", itHID_OLD, 0, 2, atNeverReady}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccessoryFlow, TargetBusyForSomePollsIsWaitedFor) {
  Open(itUDP);
  Ack();
  Ack();
  for (int i = 0; i < 5; ++i) Status(kNotReady);
  Status(kReady);
  const TFirmwareImage image{"test", Image(10)};
  EXPECT_EQ(TransferAccessoryImage(image, cmdWriteBosiFirmware, true, user.hooks).outcome, atDone);
  EXPECT_EQ(clock.Sleeps(), std::vector<int>(5, kPauseStatusPoll));
  EXPECT_TRUE(user.Only("inform").empty());
}

TEST_F(AccessoryFlow, NothingIsSentWithoutFirmwareOrWithAnEmptyImage) {
  Open(itUDP);
  const TFirmwareImage image{"test", Image(10)};
  EXPECT_EQ(TransferAccessoryImage(image, cmdWriteBosiFirmware, false, user.hooks).outcome,
            atNotConnected);
  EXPECT_EQ(TransferAccessoryImage({"empty", {}}, cmdWriteBosiFirmware, true, user.hooks).outcome,
            atEmptyImage);
  EXPECT_TRUE(module->written.empty());
  EXPECT_EQ(user.Only("inform"), (Texts{Informed(kUpdateErrorText), Informed(kUpdateErrorText)}));
}

}  // namespace
}  // namespace karvelm
