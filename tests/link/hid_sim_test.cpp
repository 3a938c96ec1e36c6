// The whole USB path against the simulated module: link operations, the HID transport, the
// backend seam and the module model, on both generations, with the exact feature reports
// the module receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/module_commands.h"
#include "link/transactions.h"
#include "link/usb_detector.h"
#include "link_state_scope.h"
#include "sim_violations.h"

namespace karvelm::testing {
namespace {

void PutLE(HidBytes& bytes, size_t at, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A report as the link must write it: legacy reports are report ID 0 with the 0x55 marker on
// commands; framed ones report ID 1 (command, 64 bytes) or 2 (data, 268 bytes).
HidBytes Expected(TIntfType kind, uint8_t type, uint8_t code, const HidBytes& payload,
                  uint32_t sequence) {
  if (kind == itHID_OLD) {
    HidBytes report(65, 0);
    size_t at = 1;
    if (type == kPacketTypeCommand) {
      report[1] = 0x55;
      report[2] = code;
      at = 3;
    }
    std::copy(payload.begin(), payload.end(), report.begin() + static_cast<long>(at));
    return report;
  }
  HidBytes report(type == kPacketTypeCommand ? 64 : 268, 0);
  const size_t length = 12 + payload.size();
  report[0] = type;
  report[1] = code;
  PutLE(report, 2, static_cast<uint32_t>(length), 2);
  PutLE(report, 4, sequence, 4);
  std::copy(payload.begin(), payload.end(), report.begin() + 12);
  PutLE(report, 8, PacketChecksum(report.data(), length), 4);
  return report;
}

TSimConfig LoaderRunning() {
  TSimConfig config;
  config.program = spLoader;
  return config;
}

class HidSimTest : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    module.device->path = "/dev/hidraw7";
    // An unrelated device ahead of the module in enumeration order.
    backend.present.push_back(MakeFakeKeyboard("/dev/hidraw0"));
    backend.present.push_back(module.device);
    SequenceNumber = 0x20;
    OpenLink(kind, kModuleVendorId, ProductIdFor(kind));
    ASSERT_TRUE(ActiveLink->Connected());
  }
  void TearDown() override { ExpectNoViolations(module.sim); }

  // What was written since the last call.
  std::vector<HidBytes> TakeWritten() {
    std::vector<HidBytes> written(module.device->setReports.begin() + static_cast<long>(seen),
                                  module.device->setReports.end());
    seen = module.device->setReports.size();
    return written;
  }

  // Every report the device was given reached the model unchanged.
  void ExpectModelGotEverything() {
    std::vector<HidBytes> raws;
    for (const TSimReceived& r : module.sim.Received()) raws.push_back(r.raw);
    EXPECT_EQ(raws, module.device->setReports);
  }

  const TIntfType kind = GetParam();
  const bool legacy = kind == itHID_OLD;
  const uint8_t replyId = legacy ? 0 : 1;
  const uint8_t dataId = legacy ? 0 : 2;
  const int replySize = legacy ? 65 : 64;
  const int dataSize = legacy ? 65 : 268;
  TFakeHidScope scope;
  TFakeHidBackend& backend = scope.backend();
  TSimHidModule module{kind, LoaderRunning()};
  size_t seen = 0;
  TLinkStateScope linkState;
};

TEST_P(HidSimTest, IdentifyRestartAndIdentifyAgain) {
  ASSERT_TRUE(CheckModule(LOADER_ID, kTimeoutDefault));
  EXPECT_EQ(TakeWritten(), (std::vector<HidBytes>{Expected(kind, 1, cmdIdentify, {}, 0x20)}));
  ASSERT_EQ(module.device->getRequests.size(), 1u);
  EXPECT_EQ(module.device->getRequests[0].reportId, replyId);
  EXPECT_EQ(module.device->getRequests[0].size, replySize);

  // The bootloader restarts without answering; no read follows the command.
  ASSERT_TRUE(SendCommand(cmdRestart, nullptr, 0));
  EXPECT_EQ(TakeWritten(), (std::vector<HidBytes>{Expected(kind, 1, cmdRestart, {}, 0x21)}));
  EXPECT_EQ(module.device->getRequests.size(), 1u);
  EXPECT_TRUE(module.sim.Restarting());

  // While it restarts the module is silent; the link stays connected, the probe fails.
  EXPECT_FALSE(CheckModule(FirmwareIdFor(kind), kTimeoutDefault));
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_EQ(TakeWritten().size(), 3u);
  EXPECT_EQ(module.sim.Received().back().fate, sfRestarting);

  module.clock.Advance(kSimDefaultRestartMs);
  const uint32_t sequence = SequenceNumber;
  ASSERT_TRUE(CheckModule(FirmwareIdFor(kind), kTimeoutDefault));
  EXPECT_EQ(module.sim.Program(), spFirmware);
  EXPECT_EQ(TakeWritten(), (std::vector<HidBytes>{Expected(kind, 1, cmdIdentify, {}, sequence)}));
  EXPECT_FALSE(CheckModule(LOADER_ID, kTimeoutDefault)) << "the firmware is not the loader";
  ExpectModelGotEverything();
}

TEST_P(HidSimTest, BusReadAndWrite) {
  module.sim.SetProgram(spFirmware);
  module.sim.Bus().Poke(0xEF82, 0x1234);
  module.sim.Bus().Poke(0xEF84, 0xABCD);

  // cmdReadBus: address, count, count; the words come back in one data report.
  const HidBytes readPayload = {0x82, 0xEF, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0};
  uint8_t words[4] = {};
  ASSERT_TRUE(ReadData(cmdReadBus, readPayload.data(), 12, words, 4, kTimeoutDefault));
  EXPECT_EQ(HidBytes(words, words + 4), (HidBytes{0x34, 0x12, 0xCD, 0xAB}));
  EXPECT_EQ(TakeWritten(),
            (std::vector<HidBytes>{Expected(kind, 1, cmdReadBus, readPayload, 0x20)}));
  ASSERT_EQ(module.device->getRequests.size(), 1u);
  EXPECT_EQ(module.device->getRequests[0].reportId, dataId);
  EXPECT_EQ(module.device->getRequests[0].size, dataSize);

  // cmdWriteBus (12-byte form): the legacy layout packs address and word into 16 bits each.
  const HidBytes writePayload = legacy ? HidBytes{0x84, 0xEF, 0x55, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0}
                                       : HidBytes{0x84, 0xEF, 0, 0, 0x55, 0xAA, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(Transact(cmdWriteBus, writePayload.data(), static_cast<int>(writePayload.size()),
                       nullptr, 0, kTimeoutDefault));
  EXPECT_EQ(module.sim.Bus().Peek(0xEF84), 0xAA55);
  EXPECT_EQ(TakeWritten(),
            (std::vector<HidBytes>{Expected(kind, 1, cmdWriteBus, writePayload, 0x21)}));
  // A legacy command without reply data is not followed by a read.
  EXPECT_EQ(module.device->getRequests.size(), legacy ? 1u : 2u);
  if (!legacy) {
    EXPECT_EQ(module.device->getRequests[1].reportId, 1);
    EXPECT_EQ(module.device->getRequests[1].size, 64);
  }
  ExpectModelGotEverything();
}

// The external-module query in both layouts: one-byte type and index (the 0x55 report) on
// the first generation, two 32-bit words on the second; an empty slot answers NetAddress 0.
TEST_P(HidSimTest, ExternalModuleQueryInBothLayouts) {
  module.sim.SetProgram(spFirmware);
  ExtModuleInfo stored;
  stored.NetAddress = 0x21;
  for (size_t i = 0; i < stored.RegisterMap.size(); ++i)
    stored.RegisterMap[i] = static_cast<uint8_t>(i < 4 ? 0x10 + i : 0xFF);
  stored.Version = 0x01020304;
  module.sim.ExtModules()[{3, 1}] = stored;

  ExtModuleInfo info;
  info.TableRow = 9;
  ASSERT_TRUE(GetExtModule(3, 1, info));
  EXPECT_EQ(info.NetAddress, 0x21u);
  EXPECT_EQ(info.RegisterMap, stored.RegisterMap);
  EXPECT_EQ(info.Version, 0x01020304u);
  EXPECT_EQ(info.TableRow, 9) << "the view's row is not the link's";
  const HidBytes request = legacy ? HidBytes{3, 1} : HidBytes{3, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(TakeWritten(),
            (std::vector<HidBytes>{Expected(kind, 1, cmdGetExtModule, request, 0x20)}));
  ASSERT_EQ(module.device->getRequests.size(), 1u);
  EXPECT_EQ(module.device->getRequests[0].reportId, replyId);

  ASSERT_TRUE(GetExtModule(3, 2, info));
  EXPECT_EQ(info.NetAddress, 0u) << "an empty slot";
  ExpectModelGotEverything();
}

TEST_P(HidSimTest, DataPacketTravelsAsAFullDataReport) {
  std::vector<HidBytes> stored;
  module.sim.SetDataSink([&](TModuleSim& sim, const TSimRequest& request) {
    stored.push_back(request.payload);
    sim.Reply(request);
  });
  HidBytes data(ChunkSize());
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
  ASSERT_TRUE(WriteData(data.data(), static_cast<int>(data.size()), kTimeoutDefault));
  EXPECT_EQ(TakeWritten(), (std::vector<HidBytes>{Expected(kind, 2, 0, data, 0x20)}));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(HidBytes(stored[0].begin(), stored[0].begin() + static_cast<long>(data.size())), data);
  EXPECT_EQ(module.device->getRequests.size(), legacy ? 0u : 1u) << "the legacy link awaits no ack";
}

TEST_P(HidSimTest, UnplugAndReplugTheModuleBetweenOperations) {
  ASSERT_TRUE(CheckModule(LOADER_ID, kTimeoutDefault));
  backend.Unplug(module.device);
  ActiveLink->Transport().Detector()->HandlePending();
  EXPECT_FALSE(CheckModule(LOADER_ID, kTimeoutDefault));
  backend.Plug(module.device);
  ActiveLink->Transport().Detector()->HandlePending();
  EXPECT_TRUE(CheckModule(LOADER_ID, kTimeoutDefault));
  EXPECT_EQ(backend.Count("open /dev/hidraw0"), 0) << "the keyboard is never opened";
  EXPECT_EQ(backend.Count("open /dev/hidraw7"), 2);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, HidSimTest, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const ::testing::TestParamInfo<TIntfType>& info) {
                           return std::string(info.param == itHID_OLD ? "Old" : "New");
                         });

}  // namespace
}  // namespace karvelm::testing
