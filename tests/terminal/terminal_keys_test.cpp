#include "terminal/terminal_keys.h"

#include <gtest/gtest.h>

#include "fake_module_link.h"
#include "link/commands.h"
#include "link_state_scope.h"

namespace karvelm {
namespace {

using fake::Bytes;
using fake::TFakeModuleLink;

struct TKeyCase {
  TTermKey key;
  unsigned modifiers;
  uint8_t code;  // 0: nothing sent
};

void PrintTo(const TKeyCase& c, std::ostream* os) {
  *os << "key " << int(c.key) << " modifiers " << c.modifiers << " -> 0x" << std::hex
      << int(c.code);
}

class KeyTable : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(KeyTable, SendsTheCodeOfTheRow) {
  EXPECT_EQ(TerminalKeyCode(GetParam().key, GetParam().modifiers), GetParam().code);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, KeyTable, ::testing::Values(
    TKeyCase{tkA, tmNone, 0x41}, TKeyCase{tkA, tmShift, 0x41}, TKeyCase{tkA, tmCtrl, 0x41},
    TKeyCase{tkZ, tmAlt, 0x5A}, TKeyCase{tkM, tmShift | tmCtrl, 0x4D},
    TKeyCase{tkDigit0, tmNone, 0x30}, TKeyCase{tkDigit9, tmShift, 0x39},
    TKeyCase{tkPad7, tmKeypad, 0x37}, TKeyCase{tkDigit7, tmKeypad, 0x37},
    TKeyCase{tkPad0, tmNone, 0x30}, TKeyCase{tkPad9, tmNone, 0x39},
    TKeyCase{tkSlash, tmNone, 0xAF}, TKeyCase{tkPadDivide, tmKeypad, 0xAF},
    TKeyCase{tkSlash, tmKeypad, 0xAF},
    TKeyCase{tkEqualPlus, tmNone, 0x2B}, TKeyCase{tkEqualPlus, tmShift, 0x2B},
    TKeyCase{tkPadAdd, tmKeypad, 0x2B}, TKeyCase{tkEqualPlus, tmKeypad, 0x2B},
    TKeyCase{tkMinus, tmNone, 0x2D}, TKeyCase{tkPadSubtract, tmKeypad, 0x2D},
    TKeyCase{tkEnter, tmNone, 0x0A}, TKeyCase{tkEnter, tmKeypad, 0x0A},
    TKeyCase{tkBackspace, tmNone, 0x7F}, TKeyCase{tkBackslash, tmNone, 0x8D},
    TKeyCase{tkF1, tmCtrl, 0x12}, TKeyCase{tkF2, tmCtrl, 0x14}, TKeyCase{tkF3, tmCtrl, 0x16},
    TKeyCase{tkF4, tmCtrl, 0x3B}, TKeyCase{tkF5, tmCtrl, 0x10}, TKeyCase{tkF6, tmCtrl, 0x1F},
    TKeyCase{tkF7, tmCtrl, 0x18}, TKeyCase{tkF8, tmCtrl, 0x15}, TKeyCase{tkF9, tmCtrl, 0x11},
    TKeyCase{tkF10, tmCtrl, 0x93},
    TKeyCase{tkF10, tmNone, 0}, TKeyCase{tkF1, tmShift, 0}, TKeyCase{tkF5, tmAlt, 0},
    TKeyCase{tkF1, tmCtrl | tmShift, 0}, TKeyCase{tkF10, tmCtrl | tmAlt, 0},
    TKeyCase{tkSpace, tmNone, 0}, TKeyCase{tkSpace, tmCtrl, 0}, TKeyCase{tkOther, tmNone, 0}));
// clang-format on

TEST(KeyTableRuns, EveryLetterAndDigitSendsItsOwnCode) {
  for (int i = 0; i < 26; ++i) EXPECT_EQ(TerminalKeyCode(LetterKey(i), tmShift), 'A' + i);
  for (int d = 0; d < 10; ++d) {
    EXPECT_EQ(TerminalKeyCode(DigitKey(d), tmNone), '0' + d);
    EXPECT_EQ(TerminalKeyCode(PadDigitKey(d), tmKeypad), '0' + d);
  }
}

class KeySend : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override { module = fake::OpenFakeLink(GetParam()); }
  bool Legacy() const { return GetParam() == itHID_OLD; }
  // The firmware answers the check; a framed module also acknowledges the write.
  void AnswerCheckAndWrite() {
    const uint16_t id = FirmwareIdFor(GetParam());
    module->Answer({static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8)});
    if (!Legacy()) module->Answer();
  }
  TLinkStateScope linkState;
  TFakeModuleLink* module = nullptr;
};

TEST_P(KeySend, WritesTheTwelveByteFormToTheKeyboardRegister) {
  struct TPayloadCase {
    TKeyStroke stroke;
    Bytes legacy;
    Bytes framed;
  };
  const TPayloadCase cases[] = {
      {{tkA, tmShift},
       {0x72, 0xFF, 0x41, 0x00, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x72, 0xFF, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00, 0, 0, 0, 0}},
      {{tkF10, tmCtrl},
       {0x72, 0xFF, 0x93, 0x00, 0, 0, 0, 0, 0, 0, 0, 0},
       {0x72, 0xFF, 0x00, 0x00, 0x93, 0x00, 0x00, 0x00, 0, 0, 0, 0}},
  };
  for (const TPayloadCase& c : cases) {
    module->written.clear();
    AnswerCheckAndWrite();
    const TKeySendResult result = SendTerminalKey(true, c.stroke);
    EXPECT_EQ(result.outcome, ksSent);
    ASSERT_EQ(module->Commands(), (std::vector<uint8_t>{cmdIdentify, cmdWriteBus}));
    if (Legacy()) {
      // The report carries the 12 bytes and nothing after them.
      const Bytes payload = module->Sent(1).payload;
      EXPECT_EQ(module->PayloadOf(1, 12), c.legacy);
      EXPECT_TRUE(std::all_of(payload.begin() + 12, payload.end(), [](uint8_t b) { return !b; }));
    } else {
      EXPECT_EQ(module->Sent(1).payload, c.framed);
    }
  }
  for (const auto& read : module->reads) EXPECT_EQ(read.timeout, kTimeoutDefault);
}

TEST_P(KeySend, NothingIsWrittenWhenTheModuleDoesNotAnswer) {
  EXPECT_EQ(SendTerminalKey(true, {tkA, tmNone}).outcome, ksNoAnswer);
  EXPECT_EQ(module->Commands(), std::vector<uint8_t>(3, cmdIdentify)) << "the check's attempts";

  module->written.clear();
  module->Answer({0x04, 0x3B});  // the bootloader answers instead
  module->Answer({0x04, 0x3B});
  module->Answer({0x04, 0x3B});
  EXPECT_EQ(SendTerminalKey(true, {tkA, tmNone}).outcome, ksNoAnswer);
  EXPECT_EQ(module->Commands(), std::vector<uint8_t>(3, cmdIdentify));

  module->written.clear();
  EXPECT_EQ(SendTerminalKey(false, {tkA, tmNone}).outcome, ksNotConnected);
  EXPECT_TRUE(module->written.empty()) << "not connected: no traffic at all";
}

TEST_P(KeySend, AKeyWithoutCodeIsCheckedButNotWritten) {
  AnswerCheckAndWrite();
  const TKeySendResult result = SendTerminalKey(true, {tkF10, tmNone});
  EXPECT_EQ(result.outcome, ksNoCode);
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(module->Commands(), std::vector<uint8_t>{cmdIdentify});
}

INSTANTIATE_TEST_SUITE_P(EveryKind, KeySend, ::testing::Values(itHID_OLD, itHID_NEW, itUDP));

TEST(KeySendFramed, AnUnacknowledgedWriteIsReportedAndNotRepeated) {
  TLinkStateScope linkState;
  TFakeModuleLink* module = fake::OpenFakeLink(itUDP);
  module->Answer({0x07, 0x3B});
  const TKeySendResult result = SendTerminalKey(true, {tkEnter, tmNone});
  EXPECT_EQ(result.outcome, ksWriteFailed);
  EXPECT_EQ(result.code, 0x0A);
  EXPECT_EQ(module->Commands(), (std::vector<uint8_t>{cmdIdentify, cmdWriteBus}));
}

}  // namespace
}  // namespace karvelm
