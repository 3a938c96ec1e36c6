#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "diag/bus_page.h"
#include "fake_bus_module.h"
#include "test_names.h"

namespace karvelm {
namespace {

using diagtest::Bytes;
using diagtest::TFakeBusLink;

Bytes U32s(std::initializer_list<uint32_t> words) {
  Bytes bytes;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
  return bytes;
}

struct TModule {
  uint32_t address;
  uint32_t version;
  uint8_t firstRegister;  // entries firstRegister and the next one served
};

// A module on the link: a panel, external modules by (type, index), counters per query.
class BusScan : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    link.module->handlers[0x0C] = [this](const Bytes&) -> std::optional<Bytes> {
      if (!panelAnswers) return std::nullopt;
      if (Legacy())
        return Bytes{static_cast<uint8_t>(panel.ConsolePresent),
                     static_cast<uint8_t>(panel.PanelRegsPresent),
                     static_cast<uint8_t>(panel.Version),
                     static_cast<uint8_t>(panel.Version >> 8),
                     static_cast<uint8_t>(panel.Version >> 16),
                     static_cast<uint8_t>(panel.Version >> 24)};
      return U32s({panel.ConsolePresent, panel.PanelRegsPresent, panel.Version});
    };
    link.module->handlers[0x0D] = [this](const Bytes& p) -> std::optional<Bytes> {
      const uint32_t type = Legacy() ? p[0] : GetU32(p.data());
      const uint32_t index = Legacy() ? p[1] : GetU32(p.data() + 4);
      if (silentQueries.count({type, index})) return std::nullopt;
      TModule m{0, 0, 0};
      if (auto it = modules.find({type, index}); it != modules.end()) m = it->second;
      Bytes map(16, 0xFF);
      if (m.address) map[m.firstRegister] = map[m.firstRegister + 1u] = 0x00;
      Bytes reply = Legacy() ? Bytes{static_cast<uint8_t>(m.address)} : U32s({m.address});
      reply.insert(reply.end(), map.begin(), map.end());
      const Bytes tail = U32s({m.version, 0xDEADBEEF});
      reply.insert(reply.end(), tail.begin(), tail.end());
      return reply;
    };
    link.module->handlers[0x0E] = [this](const Bytes&) -> std::optional<Bytes> {
      if (!countersAnswer) return std::nullopt;
      return U32s({++tick, 2, 3});
    };
    link.module->handlers[0x0F] = [this](const Bytes& p) -> std::optional<Bytes> {
      if (!countersAnswer) return std::nullopt;
      return U32s({100 * GetU32(p.data()) + GetU32(p.data() + 4), tick, 0xFFFFFFFF});
    };
  }

  bool Legacy() const { return GetParam() == itHID_OLD; }
  std::vector<uint8_t> Codes() const { return link.module->Codes(); }
  void ForgetTraffic() { link.module->received.clear(); }

  TFakeBusLink link{GetParam()};
  TDiagRecords records;
  TPeripheralBusPage page{records};
  PanelLinkInfo panel{1, 1, 0x01090000};
  bool panelAnswers = true;
  bool countersAnswer = true;
  uint32_t tick = 0;
  std::map<std::pair<uint32_t, uint32_t>, TModule> modules{
      {{0, 1}, {0x0A, 0x01011500, 2}},
      {{2, 0}, {0x21, 0x01000200, 0}},
      {{4, 0}, {0x30, 0x010000B0, 14}},
      {{5, 0}, {0x3F, 0x01000000, 0}},
  };
  std::set<std::pair<uint32_t, uint32_t>> silentQueries;
};

TEST_P(BusScan, ScanQueriesThePanelThenEverySlotInListingOrder) {
  page.Relist(true);

  const std::vector<diagtest::TReceived>& sent = link.module->received;
  ASSERT_EQ(sent.size(), 1u + 1u + 16u);
  EXPECT_EQ(sent[0].code, 0x01) << "the firmware check comes first";
  EXPECT_EQ(sent[1].code, 0x0C);
  const std::pair<uint32_t, uint32_t> order[] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {6, 0}, {6, 1},
                                                 {6, 2}, {6, 3}, {1, 0}, {1, 1}, {2, 0}, {2, 1},
                                                 {3, 0}, {3, 1}, {4, 0}, {5, 0}};
  for (size_t i = 0; i < 16; ++i) {
    const diagtest::TReceived& query = sent[2 + i];
    EXPECT_EQ(query.code, 0x0D);
    const auto [type, index] = order[i];
    if (Legacy()) {
      EXPECT_EQ(Bytes(query.payload.begin(), query.payload.begin() + 8),
                (Bytes{static_cast<uint8_t>(type), static_cast<uint8_t>(index), 0, 0, 0, 0, 0, 0}))
          << i;
    } else {
      EXPECT_EQ(query.payload, U32s({type, index})) << i;
    }
  }

  const TBusTables& t = page.Tables();
  EXPECT_EQ(t.low[1][bcDevice], "П.У.");
  EXPECT_EQ(t.low[5][bcRegister], "166764");
  EXPECT_EQ(t.high[0][bcDevice], "RK-110M");
  EXPECT_EQ(t.high[0][bcAddress], "0x0A");
  EXPECT_EQ(t.high[0][bcVersion], "1.1.21.");
  EXPECT_EQ(t.high[0][bcRegister], "167604");
  EXPECT_EQ(t.high[1][bcRegister], "167606");
  EXPECT_EQ(t.high[2][bcDevice], "RK-130M");
  EXPECT_EQ(t.high[4][bcDevice], "RK-150M");
  EXPECT_EQ(t.high[4][bcVersion], "1.0.0. загр.");
  EXPECT_EQ(t.high[4][bcRegister], "167774");
  EXPECT_EQ(t.high[6][bcDevice], "RK-???M");
  EXPECT_EQ(t.high[6][bcRegister], "");
  EXPECT_EQ(t.high[7][bcDevice], "");
}

TEST_P(BusScan, PollAsksThePanelThenOnlyListedSlotsNeverTypeFive) {
  page.Relist(true);
  ForgetTraffic();
  page.Read();
  page.Show(true);

  const std::vector<diagtest::TReceived>& sent = link.module->received;
  ASSERT_EQ(Codes(), (std::vector<uint8_t>{0x0E, 0x0F, 0x0F, 0x0F}));
  const Bytes expected[] = {U32s({0, 1}), U32s({2, 0}), U32s({4, 0})};
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(Bytes(sent[1 + i].payload.begin(), sent[1 + i].payload.begin() + 8), expected[i]);

  const TBusTables& t = page.Tables();
  EXPECT_EQ(t.low[1][bcExchanges], "1");
  EXPECT_EQ(t.high[0][bcExchanges], "1");  // 100 * type + index
  EXPECT_EQ(t.high[0][bcErrors], "4294967295");
  EXPECT_EQ(t.high[2][bcExchanges], "200");
  EXPECT_EQ(t.high[4][bcExchanges], "400");
  EXPECT_EQ(t.high[6][bcExchanges], "");
  EXPECT_TRUE(page.LastPoll().panelRead);
  EXPECT_TRUE(page.LastPoll().moduleRead[static_cast<size_t>(ExtModuleSlot(0, 1))]);
  EXPECT_FALSE(page.LastPoll().moduleRead[static_cast<size_t>(ExtModuleSlot(5, 0))]);

  // The next tick's counters replace these; a failed read keeps them.
  page.Read();
  page.Show(true);
  EXPECT_EQ(page.Tables().low[1][bcExchanges], "2");
  countersAnswer = false;
  page.Read();
  page.Show(true);
  EXPECT_EQ(page.Tables().low[1][bcExchanges], "2");
  EXPECT_EQ(page.Tables().high[2][bcTimeouts], "2");
  EXPECT_FALSE(page.LastPoll().panelRead);
  EXPECT_FALSE(page.LastPoll().moduleRead[static_cast<size_t>(ExtModuleSlot(2, 0))]);
}

TEST_P(BusScan, FailedPanelQueryZeroesThePanelOnlyOnTheLegacyLink) {
  page.Relist(true);
  panelAnswers = false;
  page.Relist(true);
  if (Legacy()) {
    EXPECT_EQ(records.panelLink.Version, 0u);
    EXPECT_EQ(records.panelLink.ConsolePresent, 0u);
    EXPECT_EQ(records.panelLink.PanelRegsPresent, 0u);
    EXPECT_FALSE(page.Listing().panel);
    EXPECT_EQ(page.Tables().low[1][bcDevice], "");
  } else {
    EXPECT_EQ(records.panelLink.Version, 0x01090000u);
    EXPECT_TRUE(page.Listing().panel);
    EXPECT_EQ(page.Tables().low[1][bcDevice], "П.У.");
  }
}

TEST_P(BusScan, FailedModuleQueryDropsTheSlotFromListAndPoll) {
  page.Relist(true);
  silentQueries.insert({2, 0});
  page.Relist(true);
  EXPECT_EQ(records.extModules[static_cast<size_t>(ExtModuleSlot(2, 0))].NetAddress, 0u);
  EXPECT_EQ(page.Tables().high[2][bcDevice], "RK-150M");
  ForgetTraffic();
  page.Read();
  EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x0E, 0x0F, 0x0F}));
}

TEST_P(BusScan, NotConnectedEmptiesBothTablesWithoutTraffic) {
  page.Relist(true);
  page.Relist(false);
  EXPECT_EQ(link.module->received.size(), 18u) << "nothing after the first scan";
  const TBusTables empty;
  EXPECT_EQ(page.Tables().low, empty.low);
  EXPECT_EQ(page.Tables().high, empty.high);
}

TEST_P(BusScan, SilentFirmwareListsTheRecordsOfTheLastScan) {
  page.Relist(true);
  const TBusTables before = page.Tables();
  ForgetTraffic();
  link.module->answersIdentify = false;
  modules.clear();
  page.Relist(true);
  EXPECT_EQ(Codes(), std::vector<uint8_t>{}) << "only the firmware check";
  EXPECT_EQ(page.Tables().high, before.high);
  EXPECT_EQ(page.Tables().low, before.low);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BusScan, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

}  // namespace
}  // namespace karvelm
