#include "diag/dac_page.h"

#include <gtest/gtest.h>

#include "diag/dac_sawtooth.h"
#include "fake_bus_module.h"
#include "test_names.h"

namespace karvelm {
namespace {

using diagtest::BusRead;
using diagtest::BusWrite;
using diagtest::Bytes;
using diagtest::Slept;
using diagtest::TBusEvent;
using diagtest::TFakeBusLink;

// A module with a DAC: corrections kept, taken only between pause and resume.
class Dac : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    auto& h = link.module->handlers;
    h[0x10] = [this](const Bytes&) -> std::optional<Bytes> {
      if (!correctionsAnswer) return std::nullopt;
      Bytes reply;
      for (int32_t v : corrections)
        for (int i = 0; i < (Legacy() ? 2 : 4); ++i)
          reply.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
      return reply;
    };
    h[0x11] = [this](const Bytes& p) -> std::optional<Bytes> {
      EXPECT_TRUE(paused) << "corrections are set only while paused";
      for (size_t i = 0; i < 8; ++i)
        corrections[i] = Legacy() ? static_cast<int16_t>(GetU16(p.data() + 2 * i))
                                  : static_cast<int32_t>(GetU32(p.data() + 4 * i));
      return Bytes{};
    };
    h[0x12] = [](const Bytes&) -> std::optional<Bytes> { return Bytes{}; };
    h[0x19] = [this](const Bytes&) -> std::optional<Bytes> {
      paused = true;
      return Bytes{};
    };
    h[0x1A] = [this](const Bytes&) -> std::optional<Bytes> {
      paused = false;
      return Bytes{};
    };
    h[0x0D] = [this](const Bytes& p) -> std::optional<Bytes> {
      const uint32_t index = Legacy() ? p[1] : GetU32(p.data() + 4);
      Bytes map(16, 0xFF);
      const bool present = index == 0 && dacPresent;
      for (int i = 0; i < servedEntries; ++i) map[static_cast<size_t>(i)] = 0;
      Bytes reply = Legacy() ? Bytes{present ? uint8_t{0x21} : uint8_t{0}}
                             : Bytes{present ? uint8_t{0x21} : uint8_t{0}, 0, 0, 0};
      reply.insert(reply.end(), map.begin(), map.end());
      reply.resize(reply.size() + 8, 0x01);
      return reply;
    };
  }

  bool Legacy() const { return GetParam() == itHID_OLD; }
  std::vector<uint8_t> Codes() const { return link.module->Codes(); }
  Bytes LastPayloadOf(uint8_t code) const {
    for (auto it = link.module->received.rbegin(); it != link.module->received.rend(); ++it)
      if (it->code == code) return it->payload;
    return {};
  }

  TFakeBusLink link{GetParam()};
  TDiagRecords records;
  TDacPage page{records};
  std::array<int32_t, 8> corrections{};
  bool correctionsAnswer = true;
  bool paused = false;
  bool dacPresent = true;
  int servedEntries = 4;
  std::vector<bool> timer;
  TTimerSwitch Timer() {
    return [this](bool on) { timer.push_back(on); };
  }
};

TEST_P(Dac, SawtoothOnChannelEightWritesFortyTwoSamplesAPeriod) {
  TSawtoothTest test;
  ASSERT_TRUE(test.Start(7, true));
  for (int i = 0; i < 43; ++i) EXPECT_TRUE(test.Tick());
  ASSERT_EQ(link.log.size(), 43u);
  for (const TBusEvent& e : link.log) EXPECT_EQ(e.address, 0167656);
  EXPECT_EQ(link.log[0].value, 0u);
  EXPECT_EQ(link.log[1].value, 819u);
  EXPECT_EQ(link.log[20].value, 16380u);
  EXPECT_EQ(link.log[21].value, 0x8000u) << "the 22nd sample";
  EXPECT_EQ(link.log[41].value, 0x8000u | 16380u);
  EXPECT_EQ(link.log[42].value, 0u) << "the 43rd sample";

  test.Stop();
  EXPECT_FALSE(test.Tick());
  EXPECT_EQ(link.log.size(), 43u) << "no final value is written";
  // A new start begins the period again.
  ASSERT_TRUE(test.Start(0, true));
  test.Tick();
  EXPECT_EQ(link.log.back(), BusWrite(0167640, 0));
}

TEST_P(Dac, SawtoothNeedsTheFirmwareAndKeepsRunningWhenAWriteFails) {
  TSawtoothTest test;
  EXPECT_FALSE(test.Start(2, false));
  link.module->answersIdentify = false;
  EXPECT_FALSE(test.Start(2, true));
  EXPECT_FALSE(test.Running());
  EXPECT_EQ(test.Channel(), 2) << "the timer's Tag is taken before the check";
  link.module->answersIdentify = true;
  ASSERT_TRUE(test.Start(2, true));
  link.module->handlers.clear();
  CloseLink();  // every write fails from here
  EXPECT_FALSE(test.Tick());
  EXPECT_TRUE(test.Running());
  EXPECT_EQ(test.Generator().Sample(), 819u) << "the next sample all the same";
}

TEST_P(Dac, CorrectionStepsSendTheWholeTableBetweenPauseAndResume) {
  corrections = {0, 0, 5, 0, 0, 0, 0, -1};
  ASSERT_TRUE(page.Read());
  EXPECT_EQ(records.DacCorrections[7], -1) << "0xFFFF widened with its sign on the legacy link";
  link.module->received.clear();

  EXPECT_TRUE(page.CorrectionStep(2, DacStepOfCaption("+"), true, Timer()));
  EXPECT_EQ(LastPayloadOf(0x11)[Legacy() ? 4 : 8], 6);
  EXPECT_TRUE(page.CorrectionStep(2, DacStepOfCaption("+"), true, Timer()));
  EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x19, 0x11, 0x1A, 0x19, 0x11, 0x1A}));
  EXPECT_EQ(corrections[2], 7);
  EXPECT_EQ(corrections[7], -1);
  EXPECT_EQ(timer, (std::vector<bool>{false, true, false, true}));
  const Bytes table = LastPayloadOf(0x11);
  if (Legacy()) {
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 16),
              (Bytes{0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF}));
  } else {
    EXPECT_EQ(table.size(), 32u);
    EXPECT_EQ(Bytes(table.begin() + 28, table.end()), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  }

  EXPECT_TRUE(page.CorrectionStep(2, DacStepOfCaption(">0<"), true));
  EXPECT_EQ(corrections[2], 0);
  EXPECT_TRUE(page.CorrectionStep(2, DacStepOfCaption("–"), true));
  EXPECT_EQ(corrections[2], -1);
  EXPECT_FALSE(paused);
}

TEST_P(Dac, NothingIsSentWithoutTheFirmware) {
  EXPECT_FALSE(page.CorrectionStep(0, dsUp, false, Timer()));
  EXPECT_FALSE(page.Store(false, Timer()));
  link.module->answersIdentify = false;
  EXPECT_FALSE(page.CorrectionStep(0, dsUp, true, Timer()));
  EXPECT_FALSE(page.Store(true, Timer()));
  EXPECT_TRUE(Codes().empty());
  EXPECT_TRUE(timer.empty());
  EXPECT_EQ(records.DacCorrections[0], 0) << "no step without the module";
}

TEST_P(Dac, StoreWaitsThreeHundredMillisecondsWithTheTimerOff) {
  EXPECT_TRUE(page.Store(true, Timer()));
  EXPECT_EQ(Codes(), std::vector<uint8_t>{0x12});
  EXPECT_EQ(link.log, std::vector<TBusEvent>{Slept(300)});
  EXPECT_EQ(timer, (std::vector<bool>{false, true}));
}

TEST_P(Dac, ReadTakesRegistersThenCorrectionsAndAFailedReadZeroesOnlyOnTheLegacyLink) {
  link.module->memory[0167640] = 0177777;
  link.module->memory[0167656] = 01234;
  corrections = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(page.Read());
  EXPECT_EQ(link.log, std::vector<TBusEvent>{BusRead(0167640, 8)});
  EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x03, 0x10}));
  page.Show();
  EXPECT_EQ(page.RegisterText(0), "177777");
  EXPECT_EQ(page.RegisterText(7), "1234");

  correctionsAnswer = false;
  EXPECT_FALSE(page.Read());
  EXPECT_EQ(records.DacCorrections[3], Legacy() ? 0 : 4);
}

TEST_P(Dac, CorrectionLabelsOnlyForChannelsAListedModuleServes) {
  corrections = {-3, 1, 2, 3, 4, 5, 6, 7};
  page.Enter(true);
  EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x0D, 0x0D}));
  const Bytes& second = link.module->received.back().payload;
  EXPECT_EQ(second[Legacy() ? 1 : 4], 1) << "index 1 of type 2";
  EXPECT_EQ(second[0], 2);
  page.Read();
  page.Show();
  EXPECT_EQ(page.CorrectionText(0), "-3");
  EXPECT_EQ(page.CorrectionText(3), "3");
  EXPECT_EQ(page.CorrectionText(4), "-----");
  EXPECT_EQ(page.CorrectionText(7), "-----");
  EXPECT_EQ(ServedDacChannels(records), (std::array<bool, 8>{true, true, true, true}));
}

TEST_P(Dac, WithoutADacModuleLabelsStayUnknownWhileValuesAndWritesWork) {
  dacPresent = false;
  page.Enter(true);
  link.module->memory[0167642] = 7;
  page.Read();
  page.Show();
  for (int ch = 0; ch < 8; ++ch) EXPECT_EQ(page.CorrectionText(ch), "-----");
  EXPECT_EQ(page.RegisterText(1), "7");
  EXPECT_TRUE(page.DACChange(7, "177777"));
  EXPECT_FALSE(page.DACChange(7, "9"));
  EXPECT_TRUE(page.DACClick(7, true));
  EXPECT_EQ(link.log.back(), BusWrite(0167656, 0xFFFF));
}

TEST_P(Dac, EnterWithoutTheFirmwareOnlyResetsTheLabels) {
  page.Enter(false);
  EXPECT_TRUE(link.module->received.empty());
  EXPECT_EQ(page.CorrectionText(0), "-----");
}

INSTANTIATE_TEST_SUITE_P(Kinds, Dac, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

}  // namespace
}  // namespace karvelm
