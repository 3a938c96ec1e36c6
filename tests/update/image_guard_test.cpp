// An update file named for the other kind of target: refused unless a second question is
// answered OK; a file that cannot be read whole is refused before anything is sent.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>

#include "base/clock.h"
#include "fake_module_link.h"
#include "link/commands.h"
#include "link_state_scope.h"
#include "temp_folder.h"
#include "update/accessory_update.h"
#include "update/image_kind.h"
#include "update/module_update.h"
#include "update/update_texts.h"
#include "update_test_util.h"

namespace karvelm {
namespace {

using Codes = std::vector<uint8_t>;

TEST(ImageKind, TheExtensionDecidesAndAnythingElseIsUnknown) {
  const struct {
    const char* path;
    TImageKind kind;
  } cases[] = {
      {"/x/module.upd", ikModule},
      {"MODULE.UPD", ikModule},
      {"panel.Upm", ikAccessory},
      {"/x/UpdateKarvel", ikUnknown},  // a built-in name as a file
      {"/x/module.upd.bak", ikUnknown},
      {"/x/images.upm/module", ikUnknown},  // the dot is in a folder's name
      {"module.bin", ikUnknown},
      {"module.", ikUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageKindOfPath(c.path), c.kind) << c.path;

  EXPECT_FALSE(CheckImageKind("a.upd", ikModule));
  EXPECT_FALSE(CheckImageKind("a.bin", ikAccessory));
  const auto mismatch = CheckImageKind("/x/a.upm", ikModule);
  ASSERT_TRUE(mismatch);
  EXPECT_EQ(ImageMismatchText("/x/a.upm", *mismatch),
            "Файл \"/x/a.upm\" — это обновление внешнего модуля (*.upm), а нужно обновление "
            "модуля KarvelM (*.upd).");
  EXPECT_EQ(ImageMismatchText("b.upd", *CheckImageKind("b.upd", ikAccessory)),
            "Файл \"b.upd\" — это обновление модуля KarvelM (*.upd), а нужно обновление "
            "внешнего модуля (*.upm).");
}

class ImageGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    module = fake::OpenFakeLink(itUDP);
    user.hooks.ask = [this](const std::string& text, const std::string& caption) {
      user.events.push_back("ask " + text + " | " + caption);
      if (answers.empty()) return true;
      const bool answer = answers.front();
      answers.pop_front();
      return answer;
    };
  }
  std::vector<std::string> Asked() const { return user.Only("ask "); }

  TFakeClock clock;
  TLinkStateScope linkState{&clock};
  fake::TFakeModuleLink* module = nullptr;
  TImageResolver images;
  testing::TRecordingHooks user;
  std::deque<bool> answers;  // to the questions in order; OK when none is left
  TTempFolder folder;
};

struct TGuardCase {
  const char* name;
  const char* file;   // written with a few bytes
  bool mismatch;      // a second question is asked
  bool secondAnswer;  // its answer
  bool goesOn;
  friend void PrintTo(const TGuardCase& c, std::ostream* os) { *os << c.name; }
};

class ModuleImageGuard : public ImageGuard, public ::testing::WithParamInterface<TGuardCase> {};

TEST_P(ModuleImageGuard, AccessoryImageNeedsASecondYesBeforeTheFirmwareIsStopped) {
  const TGuardCase c = GetParam();
  module->Answer({0x07, 0x3B});  // the firmware answers
  user.chosenFile = folder.Write(c.file, "image");
  answers = {true, c.secondAnswer};
  const TModuleUpdateRequest request = RequestModuleUpdate(user.hooks, true, false);
  EXPECT_EQ(request.raised, c.goesOn);
  EXPECT_EQ(module->Commands(), (c.goesOn ? Codes{cmdIdentify, cmdEnterLoader} : Codes{}));
  const std::vector<std::string> asked = Asked();
  ASSERT_EQ(asked.size(), c.mismatch ? 2u : 1u);
  if (c.mismatch) {
    EXPECT_EQ(asked[1],
              "ask " + ImageMismatchQuestion(*user.chosenFile, *CheckImageKind(c.file, ikModule)) +
                  " | " + kUpdateCaption);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleImageGuard,
    ::testing::Values(TGuardCase{"moduleImage", "m.upd", false, false, true},
                      TGuardCase{"unknownName", "m.bin", false, false, true},
                      TGuardCase{"accessoryRefused", "p.UPM", true, false, false},
                      TGuardCase{"accessoryConfirmed", "p.upm", true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

class AccessoryImageGuard : public ImageGuard, public ::testing::WithParamInterface<TGuardCase> {};

// Going on reaches the module probe (nobody answers here): the guard let the image through.
TEST_P(AccessoryImageGuard, ModuleImageNeedsASecondYesBeforeAnythingIsSent) {
  const TGuardCase c = GetParam();
  user.chosenFile = folder.Write(c.file, "image");
  answers = {true, c.secondAnswer};
  const TAccessoryResult result = UpdatePanel({images, user.hooks, true, true}, pkKarvel);
  EXPECT_EQ(result.outcome, c.goesOn ? aoModuleAbsent : aoDeclined);
  const Codes sent = module->Commands();
  EXPECT_EQ(sent.empty(), !c.goesOn);
  for (uint8_t code : sent) EXPECT_EQ(code, cmdIdentify) << "only the probe that nobody answers";
  ASSERT_EQ(Asked().size(), c.mismatch ? 2u : 1u);
  if (c.mismatch && !c.goesOn) {
    EXPECT_EQ(result.message,
              ImageMismatchText(*user.chosenFile, *CheckImageKind(c.file, ikAccessory)));
  }
  EXPECT_EQ(user.Only("timer"), (std::vector<std::string>{"timer off", "timer on"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccessoryImageGuard,
    ::testing::Values(TGuardCase{"accessoryImage", "p.upm", false, false, true},
                      TGuardCase{"moduleRefused", "m.upd", true, false, false},
                      TGuardCase{"moduleConfirmed", "m.Upd", true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder exists, so the dialog takes it, but it cannot be read: the module button refuses it
// before cmdEnterLoader, and the accessory buttons before the firmware is asked anything.
TEST_F(ImageGuard, FileThatCannotBeReadWholeIsRefusedWithNothingSent) {
  module->Answer({0x07, 0x3B});
  const std::string dir = folder.File("images.upd");
  std::filesystem::create_directory(dir);
  user.chosenFile = dir;
  const TModuleUpdateRequest request = RequestModuleUpdate(user.hooks, true, false);
  EXPECT_FALSE(request.raised);
  EXPECT_FALSE(request.file);
  ASSERT_EQ(user.Only("inform").size(), 1u);
  EXPECT_NE(user.Only("inform")[0].find("это папка"), std::string::npos);

  const std::string accessoryDir = folder.File("images.upm");
  std::filesystem::create_directory(accessoryDir);
  user.chosenFile = accessoryDir;
  EXPECT_EQ(UpdatePanel({images, user.hooks, true, true}, pkTorsen).outcome, aoImageError);
  EXPECT_EQ(user.Only("inform").size(), 2u);
  EXPECT_TRUE(module->Commands().empty());
}

}  // namespace
}  // namespace karvelm
