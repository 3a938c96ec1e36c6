#include "config/config_transfer.h"

#include <gtest/gtest.h>

#include "config/config_records.h"
#include "config_test_util.h"
#include "fake_loader.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/transactions.h"
#include "link_state_scope.h"

namespace karvelm {
namespace {

using testing::BlankImage;
using testing::Bytes;
using testing::OpenFakeLoader;
using testing::StoredByte;
using testing::TFakeLoader;

uint32_t CommandAddress(TIntfType kind, uint32_t storage) {
  return kind == itHID_OLD ? storage + 0x200000 : storage;
}

class ConfigTransfer : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override {
    kind = GetParam();
    module = OpenFakeLoader(kind);
    image = BlankImage();
  }
  // Reads per block: chunk requests on the framed links, reports on itHID_OLD.
  int ChunksOf(uint32_t size) const {
    const uint32_t chunk = LinkSizes(kind).chunk;
    return static_cast<int>((size + chunk - 1) / chunk);
  }
  void ExpectBlock(const uint8_t* data, size_t size, uint32_t storage, const char* what) {
    for (size_t i = 0; i < size; ++i) {
      ASSERT_EQ(data[i], StoredByte(storage + static_cast<uint32_t>(i))) << what << " byte " << i;
    }
  }

  TIntfType kind = itUDP;
  TFakeLoader* module = nullptr;
  std::unique_ptr<TConfigImage> image;
  std::vector<int> progress;
  TConfigProgress Recorder() {
    return [this](int percent) { progress.push_back(percent); };
  }
};

TEST_P(ConfigTransfer, ReadsEveryBlockInOrder) {
  for (int config = 0; config < kConfigCount; ++config) {
    SCOPED_TRACE(config);
    module->opens.clear();
    module->readNextPerOpen.clear();
    progress.clear();
    const int readsBefore = module->reportReads;
    const TReadConfigResult result = ReadConfiguration(*image, config, Recorder());
    ASSERT_TRUE(result.AllOk());
    EXPECT_FALSE(result.ShowFailure());

    std::vector<std::pair<uint32_t, uint32_t>> expected = {{kCommonBlockAddress, 512},
                                                           {kSettingsAddress[config], 512},
                                                           {kSetPointAddress[config], 32}};
    for (int page = 0; page < kPageCount; ++page)
      expected.push_back({PageAddress(config, page), 8192});
    ASSERT_EQ(module->opens.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(module->opens[i].address, CommandAddress(kind, expected[i].first)) << i;
      EXPECT_EQ(module->opens[i].size, expected[i].second) << i;
    }
    if (kind == itHID_OLD) {
      // No chunk requests: one identity reply, then 8 + 8 + 1 + 16 * 128 data reports.
      EXPECT_EQ(module->reportReads - readsBefore, 1 + 8 + 8 + 1 + 16 * 128);
      for (int n : module->readNextPerOpen) EXPECT_EQ(n, 0);
    } else {
      EXPECT_EQ(module->readNextPerOpen[0], ChunksOf(512));
      EXPECT_EQ(module->readNextPerOpen[2], 1);
      for (int page = 0; page < kPageCount; ++page) {
        EXPECT_EQ(module->readNextPerOpen[3 + page], kind == itUDP ? 8 : 32);
      }
    }
    ExpectBlock(image->CommonBlock.data(), 512, kCommonBlockAddress, "common");
    ExpectBlock(image->SettingsBlock.data(), 512, kSettingsAddress[config], "settings");
    ExpectBlock(image->SetPointBlock.data(), 32, kSetPointAddress[config], "set-points");
    ExpectBlock(image->MemoryImage.data(), kMemoryImageSize, kMemoryImageAddress[config], "pages");
    for (int page = 0; page < kPageCount; ++page) {
      EXPECT_EQ(image->PageSum[page], PageSum16(kPageSize, image->Page(page)));
      EXPECT_EQ(image->PageCrc[page], PageCrc16(kPageSize, image->Page(page)));
    }
    EXPECT_EQ(progress,
              (std::vector<int>{0, 0, 7, 13, 20, 27, 33, 40, 47, 53, 60, 67, 73, 80, 87, 93, 100}));
  }
}

TEST_P(ConfigTransfer, FirstReadRequestBytes) {
  ReadConfiguration(*image, 0);
  ASSERT_GE(module->commands.size(), 2u);
  EXPECT_EQ(module->commands[0], cmdIdentify);
  EXPECT_EQ(module->commands[1], cmdOpenRead);
  EXPECT_EQ(module->opens[0].address, kind == itHID_OLD ? 0x0023F600u : 0x0003F600u);
  EXPECT_EQ(module->opens[0].size, 0x200u);
  ASSERT_FALSE(module->readTimeouts.empty());
  EXPECT_EQ(module->readTimeouts[0], kTimeoutDefault) << "the loader check is not the probe";
}

TEST_P(ConfigTransfer, FailedSetPointReadRequestsNoPage) {
  module->refuseOpen = {CommandAddress(kind, kSetPointAddress[0])};
  image->PageSum.fill(0x1234);
  const TReadConfigResult result = ReadConfiguration(*image, 0, Recorder());
  EXPECT_TRUE(result.commonOk);
  EXPECT_TRUE(result.settingsOk);
  EXPECT_FALSE(result.setPointOk);
  EXPECT_TRUE(result.lastBlockFailed);
  EXPECT_TRUE(result.ShowFailure());
  EXPECT_EQ(module->opens.size(), 3u);
  EXPECT_EQ(result.pageRequested, (std::array<bool, kPageCount>{}));
  EXPECT_EQ(progress, std::vector<int>{0});
  EXPECT_EQ(image->PageSum[0], 0x1234);
  EXPECT_EQ(image->MemoryImage[0], 0xFF);
}

TEST_P(ConfigTransfer, FailedPageKeepsItsChecksAndOnlyPage15Counts) {
  module->refuseOpen = {CommandAddress(kind, PageAddress(0, 5)),
                        CommandAddress(kind, kCommonBlockAddress)};
  image->PageSum.fill(0x1234);
  image->PageCrc.fill(0x4321);
  const TReadConfigResult result = ReadConfiguration(*image, 0, Recorder());
  EXPECT_FALSE(result.commonOk);  // does not stop the sequence
  EXPECT_FALSE(result.pageOk[5]);
  EXPECT_TRUE(result.pageOk[15]);
  EXPECT_FALSE(result.lastBlockFailed);
  EXPECT_FALSE(result.ShowFailure());
  EXPECT_FALSE(result.AllOk());
  EXPECT_EQ(module->opens.size(), 19u);  // the address moved on past page 5
  for (int page = 0; page < kPageCount; ++page) {
    if (page == 5) {
      EXPECT_EQ(image->PageSum[page], 0x1234);
      EXPECT_EQ(image->PageCrc[page], 0x4321);
    } else {
      EXPECT_EQ(image->PageSum[page], PageSum16(kPageSize, image->Page(page))) << page;
      EXPECT_EQ(image->PageCrc[page], PageCrc16(kPageSize, image->Page(page))) << page;
    }
  }
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 33), 0);
  EXPECT_EQ(progress.back(), 100);
  ExpectBlock(image->Page(6), kPageSize, PageAddress(0, 6), "page 6");
}

TEST_P(ConfigTransfer, FailedLastPageIsReported) {
  module->refuseOpen = {CommandAddress(kind, PageAddress(1, 15))};
  const TReadConfigResult result = ReadConfiguration(*image, 1);
  EXPECT_TRUE(result.lastBlockFailed);
  EXPECT_TRUE(result.ShowFailure());
}

TEST_P(ConfigTransfer, NoBootloaderNoTransfer) {
  module->identity = FirmwareIdFor(kind);
  auto before = std::make_unique<TConfigImage>(*image);
  const TReadConfigResult read = ReadConfiguration(*image, 0, Recorder());
  EXPECT_FALSE(read.loaderAnswered);
  EXPECT_FALSE(read.ShowFailure());
  EXPECT_TRUE(progress.empty());
  EXPECT_EQ(module->commands, (std::vector<uint8_t>{cmdIdentify, cmdIdentify, cmdIdentify}));
  EXPECT_EQ(image->MemoryImage, before->MemoryImage);
  EXPECT_EQ(image->SettingsBlock, before->SettingsBlock);

  const TWriteConfigResult write = WriteConfiguration(*image, 0, Recorder());
  EXPECT_FALSE(write.loaderAnswered);
  EXPECT_FALSE(write.PieceLost());
  EXPECT_EQ(module->commands.size(), 6u);
  EXPECT_TRUE(module->received.empty());
}

TEST_P(ConfigTransfer, WritesTheFirstSectionOfTheFile) {
  TMemorySink file;
  auto copy = BlankImage();
  ASSERT_TRUE(WriteConfigFile(*copy, file));

  const TWriteConfigResult result = WriteConfiguration(*image, 0, Recorder());
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.total, 12144u);
  EXPECT_EQ(module->commands, (std::vector<uint8_t>{cmdIdentify, cmdWriteConfig}));
  ASSERT_FALSE(module->readTimeouts.empty());
  EXPECT_EQ(module->readTimeouts[0], kTimeoutDefault) << "the loader check is not the probe";
  EXPECT_EQ(module->announced, 12144u);
  EXPECT_EQ(module->received, Bytes(file.bytes.begin(), file.bytes.begin() + 12144));
  const size_t expectedPieces = kind == itUDP ? 12 : kind == itHID_NEW ? 48 : 190;
  ASSERT_EQ(module->pieces.size(), expectedPieces);
  for (size_t i = 0; i + 1 < module->pieces.size(); ++i) {
    ASSERT_EQ(module->pieces[i], static_cast<size_t>(LinkSizes(kind).chunk));
  }
  ASSERT_EQ(progress.size(), expectedPieces);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(progress.front(), WriteProgress(LinkSizes(kind).chunk, 12144));
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  if (kind != itHID_OLD) {
    // One acknowledgement awaited per piece, each with the data timeout.
    EXPECT_EQ(std::count(module->readTimeouts.begin(), module->readTimeouts.end(), 1550),
              static_cast<long>(expectedPieces));
  }
  EXPECT_EQ(SettingsWord(*image, 255), 776);  // sealed in memory too
}

TEST_P(ConfigTransfer, LostPieceStopsTheWrite) {
  if (kind == itHID_OLD) {
    module->failWriteOfPiece = 3;  // no acknowledgements here: the report cannot be written
  } else {
    module->loseAckOfPiece = 3;
  }
  const TWriteConfigResult result = WriteConfiguration(*image, 1, Recorder());
  EXPECT_TRUE(result.requestAccepted);
  EXPECT_TRUE(result.PieceLost());
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.sent, 3u * LinkSizes(kind).chunk);
  EXPECT_EQ(progress.size(), 3u);
  // Nothing follows the lost piece.
  EXPECT_EQ(module->pieces.size(), kind == itHID_OLD ? 3u : 4u);
}

INSTANTIATE_TEST_SUITE_P(AllLinks, ConfigTransfer, ::testing::Values(itUDP, itHID_NEW, itHID_OLD),
                         [](const ::testing::TestParamInfo<TIntfType>& info) {
                           return info.param == itUDP       ? "UDP"
                                  : info.param == itHID_NEW ? "HID_NEW"
                                                            : "HID_OLD";
                         });

TEST(ConfigTransferFramed, RefusedWriteRequestIsSilent) {
  TLinkStateScope linkState;
  // Only the framed links answer the write request; a first-generation one is not asked.
  for (TIntfType kind : {itUDP, itHID_NEW}) {
    TFakeLoader* module = OpenFakeLoader(kind);
    module->refuseWrite = true;
    auto image = BlankImage();
    int calls = 0;
    const TWriteConfigResult result = WriteConfiguration(*image, 0, [&](int) { ++calls; });
    EXPECT_TRUE(result.loaderAnswered);
    EXPECT_FALSE(result.requestAccepted);
    EXPECT_FALSE(result.PieceLost());
    EXPECT_TRUE(module->pieces.empty());
    EXPECT_EQ(calls, 0);
  }
}

TEST(TransferProgress, PagesAndPieces) {
  const int pages[] = {0, 7, 13, 20, 27, 33, 40, 47, 53, 60, 67, 73, 80, 87, 93, 100};
  for (int k = 0; k < kPageCount; ++k) EXPECT_EQ(ReadProgress(k), pages[k]) << k;
  struct Case {
    uint32_t sent, total;
    int percent;
  } cases[] = {
      {1, 8, 12},  {3, 8, 38},  {5, 8, 62},       {7, 8, 88},  // halves to even
      {1, 200, 0}, {3, 200, 2}, {1052, 12144, 9}, {8, 8, 100}, {1, 3, 33}, {2, 3, 67}, {0, 5, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteProgress(c.sent, c.total), c.percent) << c.sent << "/" << c.total;
  }
}

}  // namespace
}  // namespace karvelm
