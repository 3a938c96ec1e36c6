#include "update/version_page.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "fake_module_link.h"
#include "link/commands.h"
#include "link_state_scope.h"

namespace karvelm {
namespace {

using fake::Bytes;
using fake::TFakeModuleLink;
using Codes = std::vector<uint8_t>;

Bytes Word(uint32_t word) {
  return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
          static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
}

class VersionPage : public ::testing::Test {
 protected:
  void Open(TIntfType kind) {
    this->kind = kind;
    module = fake::OpenFakeLink(kind);
  }
  void Firmware() { module->Answer({static_cast<uint8_t>(kind == itHID_OLD ? 0x05 : 0x07), 0x3B}); }
  TExtModuleLister Listing(std::vector<TFoundExtModule> modules) {
    return [this, modules] {
      ++listings;
      return modules;
    };
  }

  TFakeClock clock;
  TLinkStateScope linkState{&clock};
  TIntfType kind = itUDP;
  TFakeModuleLink* module = nullptr;
  int listings = 0;
};

void ExpectEmptyRows(const TVersionPageRows& rows, size_t from) {
  for (size_t r = from; r < rows.ext.size(); ++r) {
    EXPECT_EQ(rows.ext[r].name, "-") << r;
    EXPECT_EQ(rows.ext[r].version, "-") << r;
    EXPECT_FALSE(rows.ext[r].enabled) << r;
  }
}

TEST_F(VersionPage, WithoutRunningFirmwareOnlyTheModuleRowAndNoTraffic) {
  struct TCase {
    TModuleVersions state;
    const char* module;
    bool enabled;
  };
  const TCase cases[] = {
      {{false, 0x02002200, true, 0x02001600}, "v 2.0.22.", true},  // the bootloader's report
      {{false, 0x02002200, false, 0x02001600}, "-", false},
  };
  for (const TCase& c : cases) {
    Open(itHID_OLD);
    const TVersionPageRows rows =
        RefreshVersionPage(c.state, Listing({{0, 0, 0x0A, 0x01011500, false}}));
    EXPECT_EQ(rows.module.version, c.module);
    EXPECT_EQ(rows.module.enabled, c.enabled);
    EXPECT_EQ(rows.bosi.version, "-");
    EXPECT_FALSE(rows.bosi.enabled);
    EXPECT_EQ(rows.panel.version, "-");
    EXPECT_FALSE(rows.panel.enabled);
    ExpectEmptyRows(rows, 0);
    EXPECT_TRUE(module->written.empty());
  }
  EXPECT_EQ(listings, 0);
}

TEST_F(VersionPage, FirstGenerationFirmwareListsBosiPanelAndModulesInSlotOrder) {
  Open(itHID_OLD);
  Firmware();
  module->Answer(Word(0x02040000));
  Firmware();
  module->Answer(Word(0x01090000));
  Firmware();
  const TVersionPageRows rows =
      RefreshVersionPage({true, 0x01032700, false, 0}, Listing({{0, 1, 0x0A, 0x01011500, false},
                                                                {2, 0, 0x1AB, 0x010115B0, true},
                                                                {5, 0, 0x30, 0x01000000, false}}));
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdGetBosiVersion, cmdIdentify,
                                       cmdGetPanelFwVersion, cmdIdentify}));
  EXPECT_EQ(rows.module.version, "v 1.3.39.");
  EXPECT_EQ(rows.bosi.version, "v 2.4.0.");
  EXPECT_TRUE(rows.bosi.enabled);
  EXPECT_EQ(rows.panel.version, "v 1.9.0.");
  EXPECT_TRUE(rows.panel.enabled);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"RK-110M 0x0A", "v 1.1.21."},
      {"RK-130M 0x1AB", "v 1.1.21. загрузчик"},
      {"RK-???M 0x30", "v 1.0.0."},
  };
  for (size_t r = 0; r < expected.size(); ++r) {
    EXPECT_EQ(rows.ext[r].name, expected[r].first);
    EXPECT_EQ(rows.ext[r].version, expected[r].second);
    EXPECT_TRUE(rows.ext[r].enabled);
  }
  EXPECT_EQ(rows.ext[1].address, 0x1ABu) << "the address travels with the row";
  ExpectEmptyRows(rows, 3);
}

TEST_F(VersionPage, FramedLinkNeverAsksForBosiAndAbsentVersionsShowADash) {
  Open(itHID_NEW);
  Firmware();
  module->Answer(Word(0));  // panel absent
  // The modules query goes unanswered: the module no longer answers.
  const TVersionPageRows rows =
      RefreshVersionPage({true, 0x02002200, false, 0}, Listing({{0, 0, 0x0A, 1, false}}));
  EXPECT_EQ(module->Commands(),
            (Codes{cmdIdentify, cmdGetPanelFwVersion, cmdIdentify, cmdIdentify, cmdIdentify}));
  EXPECT_EQ(rows.bosi.version, "-");
  EXPECT_EQ(rows.panel.version, "-");
  EXPECT_FALSE(rows.panel.enabled);
  EXPECT_EQ(listings, 0) << "no listing when the firmware does not answer";
  ExpectEmptyRows(rows, 0);
}

TEST_F(VersionPage, MoreModulesThanRowsFillTheRowsWithTheFirstThirteen) {
  std::vector<TFoundExtModule> found;
  for (const TExtModuleSlot& slot : ExtModuleSlotOrder())
    found.push_back(
        {slot.type, slot.index, 0x10 + static_cast<uint32_t>(found.size()), 0x01011500, false});
  ASSERT_EQ(found.size(), 16u);
  Open(itUDP);
  Firmware();
  module->Answer(Word(0));
  Firmware();
  const TVersionPageRows rows = RefreshVersionPage({true, 0x02002200, false, 0}, Listing(found));
  ASSERT_EQ(rows.modules.size(), 16u);
  for (size_t r = 0; r < rows.ext.size(); ++r) EXPECT_EQ(rows.ext[r].address, 0x10 + r);
  EXPECT_EQ(rows.ext[12].name, "RK-140M/143M 0x1C");
  EXPECT_EQ(rows.modules[15].name, "RK-???M 0x1F");
}

TEST(VersionTexts, RowNamesAndAvailableVersions) {
  EXPECT_EQ(ExtModuleRowName(0, 0x0A), "RK-110M 0x0A");
  EXPECT_EQ(ExtModuleRowName(6, 0x0A), "RK-110M 0x0A");
  EXPECT_EQ(ExtModuleRowName(0, 0x1AB), "RK-110M 0x1AB");
  EXPECT_EQ(ExtModuleRowName(2, 0x1F), "RK-130M 0x1F");
  EXPECT_EQ(ExtModuleRowName(3, 0xff), "RK-140M/143M 0xFF");
  std::vector<std::string> texts;
  for (const auto& version : AvailableVersions()) texts.push_back(AvailableVersionText(version));
  EXPECT_EQ(texts, (std::vector<std::string>{"v 1.3.39.", "v 2.0.34.", "v 1.9.0.", "v 1.4.0.",
                                             "v 2.4.0.", "v 1.1.21."}));
}

TEST_F(VersionPage, LinkListerAsksEverySlotInOrderAndKeepsTheFound) {
  Open(itUDP);
  const auto slots = ExtModuleSlotOrder();
  for (const TExtModuleSlot& slot : slots) {
    Bytes reply(28, 0);
    if (slot.type == 0 && slot.index == 1) reply[0] = 0x0A;
    if (slot.type == 2 && slot.index == 0) {
      reply[0] = 0x1F;
      reply[20] = 0xB0;  // the low byte of the version word
    }
    if (slot.type == 4) reply[0] = 0x40;  // but the module reports failure: no row
    if (slot.type == 5) reply[0] = 0x30;
    module->Answer(reply, slot.type == 4 ? 0xFF : 0);
  }
  TDiagRecords records;
  records.extModules[14].NetAddress = 0x55;  // left from an earlier listing
  const auto found = ListExtModulesOnLink(records);
  ASSERT_EQ(found.size(), 3u);
  // The peripheral bus view shares the slots: what was found is there, the rest is empty.
  EXPECT_EQ(records.extModules[1].NetAddress, 0x0Au);
  EXPECT_EQ(records.extModules[10].NetAddress, 0x1Fu);
  EXPECT_EQ(records.extModules[14].NetAddress, 0u);
  EXPECT_EQ(found[0].address, 0x0Au);
  EXPECT_EQ(found[1].type, 2u);
  EXPECT_TRUE(found[1].bootloader);
  EXPECT_EQ(found[2].type, 5u);
  ASSERT_EQ(module->written.size(), slots.size());
  for (size_t i = 0; i < slots.size(); ++i)
    EXPECT_EQ(module->PayloadOf(i, 8), (Bytes{static_cast<uint8_t>(slots[i].type), 0, 0, 0,
                                              static_cast<uint8_t>(slots[i].index), 0, 0, 0}));
}

}  // namespace
}  // namespace karvelm
