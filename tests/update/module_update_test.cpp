#include "update/module_update.h"

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

const Bytes kLoader = {0x04, 0x3B};

Bytes Image(size_t n, uint8_t salt) {
  Bytes image(n);
  for (size_t i = 0; i < n; ++i) image[i] = static_cast<uint8_t>(i * 7 + salt);
  return image;
}

class ModuleUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    builtIn = std::make_shared<TMemoryImageSource>("test images");
    images.Append(builtIn);
  }
  void Open(TIntfType kind) {
    this->kind = kind;
    module = fake::OpenFakeLink(kind);
  }
  // An acknowledgement: only the framed links read one.
  void Ack(int n = 1) {
    if (kind == itHID_OLD) return;
    for (int i = 0; i < n; ++i) module->Answer();
  }
  // Indexes of the data packets written.
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

struct TChunkCase {
  TIntfType kind;
  uint32_t chunk;
  const char* image;  // the built-in image the kind takes
  friend void PrintTo(const TChunkCase& c, std::ostream* os) { *os << c.image << " " << c.chunk; }
};

class ModuleChunks : public ModuleUpdate, public ::testing::WithParamInterface<TChunkCase> {};

// The built-in image is chosen by the link kind at transfer time and goes in ChunkSize pieces,
// the remainder last, each acknowledged on the framed links.
TEST_P(ModuleChunks, BuiltInImageOfTheKindGoesInChunkSizePiecesRemainderLast) {
  const TChunkCase c = GetParam();
  const Bytes old = Image(2 * 64 + 5, 1), current = Image(2 * c.chunk + 5, 2);
  builtIn->Add(kImageModuleOld, old);
  builtIn->Add(kImageModule, current);
  const Bytes& image = std::string(c.image) == kImageModuleOld ? old : current;
  Open(c.kind);
  module->Answer(kLoader);
  Ack(1 + 3);

  const TModuleUpdateResult result = UpdateModuleFirmware("ignored.upd", false, images, user.hooks);
  EXPECT_EQ(result.outcome, muDone);
  EXPECT_EQ(result.message, "");
  EXPECT_EQ(result.sent, image.size());
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdWriteFirmware}));
  const uint32_t size = static_cast<uint32_t>(image.size());
  EXPECT_EQ(module->PayloadOf(1, 4),
            (Bytes{static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), 0, 0}));
  const auto data = DataPackets();
  ASSERT_EQ(data.size(), 3u);
  const uint32_t chunk = c.kind == itHID_OLD ? 64 : c.chunk;
  const std::vector<size_t> sizes = {chunk, chunk, 5};
  for (size_t i = 0, at = 0; i < 3; at += sizes[i], ++i)
    EXPECT_EQ(module->PayloadOf(data[i], sizes[i]),
              Bytes(image.begin() + static_cast<long>(at),
                    image.begin() + static_cast<long>(at + sizes[i])))
        << "piece " << i;
  if (c.kind != itHID_OLD) {
    EXPECT_EQ(module->Sent(data[2]).payload.size(), 5u) << "the last piece carries the remainder";
  }
  for (size_t i = 2; i < module->reads.size(); ++i)
    EXPECT_EQ(module->reads[i].timeout, kTimeoutLoaderData) << "chunk acknowledgement " << i;
  EXPECT_EQ(user.events, (std::vector<std::string>{"busy", "bar shown", "bar hidden", "idle"}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ModuleChunks,
                         ::testing::Values(TChunkCase{itHID_OLD, 64, kImageModuleOld},
                                           TChunkCase{itHID_NEW, 256, kImageModule},
                                           TChunkCase{itUDP, 1052, kImageModule}),
                         [](const auto& info) {
                           return "chunk" + std::to_string(info.param.chunk);
                         });

TEST(ProgressPercent, RoundsHalvesToEvenAndIsFullOnlyAtTheEnd) {
  struct TCase {
    uint64_t sent, size;
    int percent;
  };
  const TCase cases[] = {
      {1, 8, 12},
      {3, 8, 38},
      {5, 8, 62},
      {7, 8, 88},
      {8, 8, 100},
      {1, 200, 0},
      {3, 200, 2},
      {1, 3, 33},
      {2, 3, 67},
      {0, 0, 0},
      {2104, 2105, 99},  // 99.95 would read as done with a chunk still unacknowledged
      {0xFFFFFFFFull, 0xFFFFFFFFull, 100},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ProgressPercent(c.sent, c.size), c.percent) << c.sent << "/" << c.size;
}

TEST_F(ModuleUpdate, ProgressRoundsHalvesToEvenAfterEachAcknowledgement) {
  builtIn->Add(kImageModuleOld, Image(8 * 64, 3));
  Open(itHID_OLD);
  module->Answer(kLoader);
  ASSERT_EQ(UpdateModuleFirmware("", false, images, user.hooks).outcome, muDone);
  EXPECT_EQ(user.percents, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST_F(ModuleUpdate, ProgressReachesFullOnlyWithTheLastAcknowledgement) {
  builtIn->Add(kImageModule, Image(2 * 1052 + 1, 4));
  Open(itUDP);
  module->Answer(kLoader);
  Ack(1 + 3);
  size_t readsAtFull = 0;
  user.hooks.progress = [&](int percent) {
    user.percents.push_back(percent);
    if (percent == 100) readsAtFull = module->reads.size();
  };
  ASSERT_EQ(UpdateModuleFirmware("", false, images, user.hooks).outcome, muDone);
  EXPECT_EQ(user.percents, (std::vector<int>{0, 50, 99, 100}));
  EXPECT_EQ(readsAtFull, module->reads.size()) << "100 only after the last acknowledgement";
}

TEST_F(ModuleUpdate, EmptyImageIsAnnouncedThenReportedAsError) {
  TTempFolder folder;
  const std::string path = folder.Write("empty.upd", "");
  Open(itUDP);
  module->Answer(kLoader);
  Ack();
  const TModuleUpdateResult result = UpdateModuleFirmware(path, true, images, user.hooks);
  EXPECT_EQ(result.outcome, muEmptyImage);
  EXPECT_EQ(result.message, kUpdateErrorText);
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdWriteFirmware}));
  EXPECT_EQ(module->PayloadOf(1, 4), (Bytes{0, 0, 0, 0}));
  EXPECT_TRUE(DataPackets().empty());
  EXPECT_EQ(user.Only("bar"), (std::vector<std::string>{"bar shown", "bar hidden"}));
}

TEST_F(ModuleUpdate, UnacknowledgedChunkEndsWithUpdateError) {
  builtIn->Add(kImageModule, Image(3 * 256, 5));
  Open(itHID_NEW);
  module->Answer(kLoader);
  Ack(2);  // the length and the first chunk; the second chunk goes unanswered
  const TModuleUpdateResult result = UpdateModuleFirmware("", false, images, user.hooks);
  EXPECT_EQ(result.outcome, muChunkNotAcknowledged);
  EXPECT_EQ(result.message, kUpdateErrorText);
  EXPECT_EQ(result.sent, 256u);
  EXPECT_EQ(DataPackets().size(), 2u) << "nothing after the unacknowledged chunk";
  EXPECT_EQ(user.percents, (std::vector<int>{0, 33}));
  EXPECT_EQ(user.Only("bar"), (std::vector<std::string>{"bar shown", "bar hidden"}));
}

TEST_F(ModuleUpdate, SilentEndsWhenTheBootloaderOrTheAnnouncementFails) {
  builtIn->Add(kImageModule, Image(100, 6));
  Open(itUDP);
  TModuleUpdateResult result = UpdateModuleFirmware("", false, images, user.hooks);
  EXPECT_EQ(result.outcome, muNoLoader);
  EXPECT_EQ(result.message, "");
  EXPECT_EQ(module->Commands(), (Codes{cmdIdentify, cmdIdentify, cmdIdentify}));
  EXPECT_TRUE(user.Only("bar").empty()) << "no bar without a bootloader";

  Open(itUDP);
  module->Answer(kLoader);  // cmdWriteFirmware goes unanswered
  result = UpdateModuleFirmware("", false, images, user.hooks);
  EXPECT_EQ(result.outcome, muNotAnnounced);
  EXPECT_EQ(result.message, "");
  EXPECT_TRUE(DataPackets().empty());
}

TEST_F(ModuleUpdate, ImageThatCannotBeHadEndsBeforeAnythingIsSent) {
  TTempFolder folder;
  const std::string gone = folder.File("gone.upd");
  struct TCase {
    std::string source;
    bool fromFile;
    std::vector<std::string> named;  // in the message
  };
  const TCase cases[] = {
      {"", false, {kImageModule, "test images"}},
      {gone, true, {gone}},
      {folder.Path(), true, {folder.Path(), "папка"}},
  };
  for (const TCase& c : cases) {
    Open(itUDP);
    module->Answer(kLoader);
    const TModuleUpdateResult result =
        UpdateModuleFirmware(c.source, c.fromFile, images, user.hooks);
    EXPECT_EQ(result.outcome, muImageError) << c.source;
    for (const auto& part : c.named)
      EXPECT_NE(result.message.find(part), std::string::npos) << result.message;
    EXPECT_TRUE(module->written.empty()) << c.source;
  }
}

TEST_F(ModuleUpdate, ImageReferenceNeverLeavesTheModuleImages) {
  Open(itUDP);
  EXPECT_EQ(ModuleImageRef("", true).source, kImageModule) << "no module file chosen yet";
  EXPECT_FALSE(ModuleImageRef("", true).fromFile);
  EXPECT_EQ(ModuleImageRef("/x/new.upd", true).source, "/x/new.upd");
  EXPECT_TRUE(ModuleImageRef("/x/new.upd", true).fromFile);
  EXPECT_EQ(ModuleImageRef("/x/new.upd", false).source, kImageModule);
  Open(itHID_OLD);
  EXPECT_EQ(ModuleImageRef("", false).source, kImageModuleOld);
}

TEST_F(ModuleUpdate, FileImageIsSentUnchanged) {
  TTempFolder folder;
  const std::string bytes("\x00\xFF\x55KarvelM\n\r", 12);
  const std::string path = folder.Write("new.upd", bytes);
  Open(itUDP);
  module->Answer(kLoader);
  Ack(2);
  ASSERT_EQ(UpdateModuleFirmware(path, true, images, user.hooks).outcome, muDone);
  EXPECT_EQ(module->Sent(DataPackets().at(0)).payload, Bytes(bytes.begin(), bytes.end()));
}

struct TRequestCase {
  const char* name;
  bool answer;
  bool fromFile;
  int file;  // 0 dialog cancelled, 1 an existing file, 2 a file that is gone
  bool loaderRunning;
  bool raised;
  Codes sent;
  friend void PrintTo(const TRequestCase& c, std::ostream* os) { *os << c.name; }
};

class ModuleRequest : public ModuleUpdate, public ::testing::WithParamInterface<TRequestCase> {};

TEST_P(ModuleRequest, RaisesTheRequestAndSendsTheFirmwareIntoItsBootloader) {
  const TRequestCase c = GetParam();
  TTempFolder folder;
  Open(itUDP);
  module->Answer({0x07, 0x3B});
  user.answer = c.answer;
  if (c.file == 1) user.chosenFile = folder.Write("m.upd", "x");
  if (c.file == 2) user.chosenFile = folder.File("gone.upd");
  const TModuleUpdateRequest request = RequestModuleUpdate(user.hooks, c.fromFile, c.loaderRunning);
  EXPECT_EQ(request.raised, c.raised);
  EXPECT_EQ(request.file.has_value(), c.raised && c.fromFile);
  EXPECT_EQ(module->Commands(), c.sent);
  EXPECT_EQ(user.events.front(),
            std::string("ask ") + kAskModuleUpdateText + " | " + kUpdateCaption);
  if (c.fromFile && c.answer) {
    EXPECT_EQ(user.filterIndexes, std::vector<int>{kModuleFilterIndex});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleRequest,
    ::testing::Values(
        TRequestCase{"declined", false, false, 0, false, false, {}},
        TRequestCase{
            "builtInInFirmware", true, false, 0, false, true, {cmdIdentify, cmdEnterLoader}},
        TRequestCase{"inBootloader", true, false, 0, true, true, {}},
        TRequestCase{"dialogCancelled", true, true, 0, false, false, {}},
        TRequestCase{"fileGone", true, true, 2, false, false, {}},
        TRequestCase{"fileTaken", true, true, 1, false, true, {cmdIdentify, cmdEnterLoader}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvelm
