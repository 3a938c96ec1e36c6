// Identity, versions and the switches between firmware and bootloader, through the link.
#include "sim_fixture.h"

namespace karvelm {
namespace {

class SimProgramTest : public SimKindTest {};

TEST_P(SimProgramTest, EachProgramAnswersItsOwnIdentity) {
  EXPECT_TRUE(CheckModule(FirmwareIdFor(Kind()), 250));
  EXPECT_FALSE(CheckModule(LOADER_ID, 250));
  sim->SetProgram(spLoader);
  EXPECT_TRUE(CheckModule(LOADER_ID, 250));
  EXPECT_FALSE(CheckModule(FirmwareIdFor(Kind()), 250));
}

TEST_P(SimProgramTest, VersionsOfOwnAndOtherSide) {
  EXPECT_EQ(Version(cmdGetVersion), kSimDefaultFirmwareVersion);
  EXPECT_EQ(Version(cmdGetOtherVersion), kSimDefaultLoaderVersion);
  sim->SetProgram(spLoader);
  sim->SetVersion(spFirmware, 0x02010300);
  EXPECT_EQ(Version(cmdGetVersion), kSimDefaultLoaderVersion);
  EXPECT_EQ(Version(cmdGetOtherVersion), 0x02010300u);
}

TEST_P(SimProgramTest, EnterLoaderAndRestartAreSilentForTheRestartTime) {
  const uint64_t start = clock.NowMs();
  ASSERT_TRUE(SendCommand(cmdEnterLoader, nullptr, 0));
  EXPECT_EQ(sim->QueuedCount(), 0u) << "the switch is not answered";
  EXPECT_EQ(sim->Program(), spLoader);
  EXPECT_EQ(sim->SilentUntil(), start + kSimDefaultRestartMs);

  // Probes during the restart are received but not answered. On UDP each failed read
  // waits its timeout on the clock, as a socket would.
  EXPECT_FALSE(CheckModule(LOADER_ID, 10));
  EXPECT_EQ(sim->Received().back().fate, sfRestarting);
  EXPECT_EQ(clock.NowMs() - start, Kind() == itUDP ? 30u : 0u);
  clock.Advance(sim->SilentUntil() - clock.NowMs() - 1);
  EXPECT_FALSE(CheckModule(LOADER_ID, 0));
  clock.Advance(1);
  EXPECT_TRUE(CheckModule(LOADER_ID, 10));
  EXPECT_FALSE(CheckModule(FirmwareIdFor(Kind()), 10));

  ASSERT_TRUE(SendCommand(cmdRestart, nullptr, 0));
  EXPECT_EQ(sim->Program(), spFirmware);
  EXPECT_FALSE(CheckModule(FirmwareIdFor(Kind()), 10));
  clock.Advance(kSimDefaultRestartMs);
  EXPECT_TRUE(CheckModule(FirmwareIdFor(Kind()), 10));
}

TEST_P(SimProgramTest, EachSwitchIsKnownOnlyToItsSide) {
  sim->SetProgram(spLoader);
  // 0x09 means a firmware write to the bootloader, 0x0B is not known to the firmware.
  ASSERT_TRUE(SendCommand(cmdEnterLoader, nullptr, 0));
  EXPECT_FALSE(sim->Restarting());
  EXPECT_EQ(sim->Program(), spLoader);
  // Framed, the bootloader refuses a firmware write without its length; the link goes on
  // with the refusal's number, as a Transact that read it would.
  if (Framed()) {
    EXPECT_EQ(TakeViolations(*sim),
              std::vector<std::string>{"cmdWriteFirmware: 0-byte payload; it takes 4"});
    SequenceNumber = 0;
  }
  sim->SetProgram(spFirmware);
  ASSERT_TRUE(SendCommand(cmdRestart, nullptr, 0));
  EXPECT_FALSE(sim->Restarting());
  EXPECT_EQ(sim->Program(), spFirmware);
}

TEST_P(SimProgramTest, UnknownCommandFailsOnFramedLinksAndIsSilentOnLegacy) {
  uint8_t reply[4] = {1, 2, 3, 4};
  SequenceNumber = 41;
  EXPECT_FALSE(Transact(0x05, nullptr, 0, reply, 4, 250));
  EXPECT_EQ(TakeViolations(*sim), std::vector<std::string>{"cmd?: unused command code 0x05"});
  if (Framed()) {
    // The 0xFF answer carries the command's own number, which the counter takes over.
    EXPECT_EQ(SequenceNumber, 41u);
    EXPECT_EQ(sim->Sent().back().status, kSimStatusFailure);
    EXPECT_EQ(sim->Sent().back().sequence, 41u);
  } else {
    EXPECT_EQ(SequenceNumber, 0u);
    EXPECT_TRUE(sim->Sent().empty());
  }
  // A command the bootloader does not know, such as a bus read.
  sim->SetProgram(spLoader);
  EXPECT_FALSE(ReadWords(0xEF82, 1));
  EXPECT_EQ(sim->QueuedCount(), Kind() == itHID_NEW ? 1u : 0u)
      << "a USB data read does not take the 0xFF reply; a later reply read does";
  EXPECT_TRUE(CheckModule(LOADER_ID, 250));
}

TEST_P(SimProgramTest, DataPacketWithoutAnOpenStreamIsRefused) {
  const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  if (Framed()) {
    EXPECT_FALSE(WriteData(data, 8, 250));
  } else {
    EXPECT_TRUE(WriteData(data, 8, 250)) << "legacy writes are not acknowledged";
  }
  ASSERT_EQ(sim->Requests().size(), 1u);
  EXPECT_EQ(sim->Requests()[0].type, kSimTypeData);
  EXPECT_EQ(sim->QueuedCount(), 0u);
  EXPECT_EQ(TakeViolations(*sim), std::vector<std::string>{"data packet: no write is open"});
}

TEST_P(SimProgramTest, OpenStreamTakesLegacyReportsAsDataEvenWithTheCommandMarker) {
  std::vector<std::vector<uint8_t>> stream;
  sim->SetDataSink([&](TModuleSim& s, const TSimRequest& r) {
    stream.push_back(r.payload);
    s.Reply(r);
  });
  const uint8_t data[4] = {0x55, 0x04, 0x00, 0x00};
  EXPECT_TRUE(WriteData(data, 4, 250));
  ASSERT_EQ(stream.size(), 1u);
  EXPECT_EQ(std::vector<uint8_t>(stream[0].begin(), stream[0].begin() + 4),
            std::vector<uint8_t>(data, data + 4));
  EXPECT_EQ(sim->Bus().Peek(0), 0) << "not taken for a bus write";
}

TEST_P(SimProgramTest, UsbModuleLeavesTheBusWhileItRestartsWhenSwitchedOn) {
  sim->Config().usbLeavesBusOnRestart = true;
  ASSERT_TRUE(SendCommand(cmdEnterLoader, nullptr, 0));
  const bool usb = Kind() != itUDP;
  EXPECT_EQ(ActiveLink->Connected(), !usb) << "a datagram link has no bus to leave";
  const size_t received = sim->Received().size();
  EXPECT_FALSE(CheckModule(LOADER_ID, 10));
  EXPECT_EQ(sim->Received().size(), usb ? received : received + 3) << "nothing reaches it";
  clock.Advance(kSimDefaultRestartMs);
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_TRUE(CheckModule(LOADER_ID, 10));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimProgramTest, KARVELM_ALL_KINDS);

class SimIdentityTest : public SimLinkFixture, public ::testing::Test {
 protected:
  void TearDown() override { CloseSim(); }
};

TEST_F(SimIdentityTest, ConfiguredFirmwareIdentityOverridesTheKind) {
  TSimConfig config;
  config.firmwareId = FirmwareIdFor(itHID_OLD);
  config.program = spLoader;
  config.loaderVersion = 0x01020300;
  OpenSim(itUDP, config);
  EXPECT_TRUE(CheckModule(LOADER_ID, 250));
  EXPECT_EQ(Version(cmdGetVersion), 0x01020300u);
  sim->SetProgram(spFirmware);
  EXPECT_TRUE(CheckModule(0x3B05, 250));
}

TEST_F(SimIdentityTest, UnpluggedTransportCarriesNothing) {
  OpenSim(itHID_NEW);
  simTransport->SetPlugged(false);
  EXPECT_FALSE(ActiveLink->Connected());
  EXPECT_FALSE(SendCommand(cmdIdentify, nullptr, 0));
  EXPECT_FALSE(CheckModule(FirmwareIdFor(itHID_NEW), 250));
  EXPECT_TRUE(sim->Received().empty());
  simTransport->SetPlugged(true);
  EXPECT_TRUE(CheckModule(FirmwareIdFor(itHID_NEW), 250));
}

}  // namespace
}  // namespace karvelm
