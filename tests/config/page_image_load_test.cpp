#include "config/page_image_load.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "base/octal_text.h"
#include "config/memory_map_view.h"
#include "config/page_image_bank_files.h"
#include "page_test_util.h"

namespace karvelm {
namespace {

using testing::Bytes;
using testing::LdaBlock;
using testing::LdaEnd;
using testing::Pattern;

std::unique_ptr<TConfigImage> FreshImage() {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  return image;
}

Bytes PageBytes(const TConfigImage& image, int page) {
  return Bytes(image.Page(page), image.Page(page) + kPageSize);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The cell that starts the ROM region of page p in layout 1 (item 0).
const TMemoryCellView& Layout1CellOf(const TMemoryMapView& view, int romPage) {
  for (const TMemoryCellView& cell : view)
    if (cell.clickable() && cell.romPage() == romPage) return cell;
  throw std::runtime_error("no cell");
}

TEST(PageFormat, FilterIndexDecidesTheReading) {
  EXPECT_EQ(PageFormatForFilter(1), pfBinary);
  EXPECT_EQ(PageFormatForFilter(2), pfAbsoluteLoader);
  EXPECT_EQ(PageFormatForFilter(3), pfAuto);
  EXPECT_EQ(PageFormatFromName("bin"), pfBinary);
  EXPECT_EQ(PageFormatFromName("lda"), pfAbsoluteLoader);
  EXPECT_EQ(PageFormatFromName("auto"), pfAuto);
  EXPECT_EQ(PageFormatFromName("BIN"), std::nullopt);
}

class PageLoad : public ::testing::Test {
 protected:
  testing::TScratchFolder folder;
  std::unique_ptr<TConfigImage> image = FreshImage();
};

TEST_F(PageLoad, ShortBinaryIsPaddedWithErasedBytes) {
  const Bytes data = Pattern(100, 1);
  const std::string path = folder.Write("short.bin", data);
  std::fill_n(image->Page(4), kPageSize, 0x00);  // old content must not survive

  ASSERT_TRUE(LoadPageImage(*image, 4, path, pfBinary).ok());
  const Bytes page = PageBytes(*image, 4);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), page.begin()));
  EXPECT_TRUE(std::all_of(page.begin() + 100, page.end(), [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(image->PageSum[4], PageSum16(kPageSize, image->Page(4)));
  EXPECT_EQ(image->PageCrc[4], PageCrc16(kPageSize, image->Page(4)));
  EXPECT_NE(image->PageSum[4], 0);
  EXPECT_EQ(PageBytes(*image, 3), Bytes(kPageSize, 0xFF));  // neighbours untouched
  EXPECT_EQ(PageBytes(*image, 5), Bytes(kPageSize, 0xFF));

  // Layout 1 shows page 4 from bank 6 page 1 on, with the new checks.
  const TMemoryMapView view = ShowMemoryMap(*image, 0);
  const TMemoryCellView& cell = Layout1CellOf(view, 4);
  EXPECT_EQ(cell.bank, 6);
  EXPECT_EQ(cell.page, 1);
  EXPECT_EQ(cell.text,
            "ППЗУ\n\r" + WordToOctal(image->PageSum[4]) + "\n\r" + WordToOctal(image->PageCrc[4]));
}

TEST_F(PageLoad, LongBinaryLoadsItsFirstPage) {
  const Bytes data = Pattern(kPageSize + 808, 7);
  ASSERT_TRUE(LoadPageImage(*image, 0, folder.Write("long.bin", data), pfBinary).ok());
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + kPageSize, image->Page(0)));
  EXPECT_EQ(image->Page(1)[0], 0xFF);
}

TEST_F(PageLoad, ErasedImageShowsItsChecks) {
  ASSERT_TRUE(
      LoadPageImage(*image, 0, folder.Write("ff.bin", Bytes(kPageSize, 0xFF)), pfBinary).ok());
  EXPECT_EQ(ShowMemoryMap(*image, 0)[MemoryMapCell(2, 0)].text, "ППЗУ\n\r177777\n\r37777");
}

TEST_F(PageLoad, NothingReadFailsAndKeepsTheChecks) {
  image->PageSum[2] = 0x1234;
  image->PageCrc[2] = 0x5678;
  std::fill_n(image->Page(2), kPageSize, 0x00);
  const TPageLoadResult result = LoadPageImage(*image, 2, folder.Write("empty.bin", {}), pfBinary);
  EXPECT_EQ(result.status, plBadContent);
  EXPECT_EQ(result.message, "Ошибка открытия файла.");
  EXPECT_EQ(PageBytes(*image, 2), Bytes(kPageSize, 0xFF));
  EXPECT_EQ(image->PageSum[2], 0x1234);
  EXPECT_EQ(image->PageCrc[2], 0x5678);
}

TEST_F(PageLoad, EndlessDeviceIsRefusedInsteadOfScanned) {
  std::fill_n(image->Page(3), kPageSize, 0x5A);
  for (TPageFormat format : {pfAbsoluteLoader, pfAuto, pfBinary}) {
    const TPageLoadResult result = LoadPageImage(*image, 3, "/dev/zero", format);
    EXPECT_EQ(result.status, plBadContent);
    EXPECT_EQ(PageBytes(*image, 3), Bytes(kPageSize, 0x5A)) << "the page is not even erased";
  }
}

TEST_F(PageLoad, FileThatCannotBeOpenedLeavesThePageAlone) {
  std::fill_n(image->Page(1), kPageSize, 0x5A);
  for (const std::string& path : {folder.File("missing.bin"), folder.Path()}) {
    const TPageLoadResult result = LoadPageImage(*image, 1, path, pfAuto);
    EXPECT_EQ(result.status, plCannotOpen) << path;
    EXPECT_EQ(result.message.rfind("Cannot open file \"" + path + "\". ", 0), 0u) << result.message;
    EXPECT_EQ(PageBytes(*image, 1), Bytes(kPageSize, 0x5A));
  }
}

TEST_F(PageLoad, FilterDecidesNotTheExtension) {
  const Bytes a = Pattern(512, 0x10);
  const Bytes b = Pattern(512, 0x90);
  // An absolute-loader file named .bin: decoded under the second filter, raw under the first.
  const Bytes tape = Join({LdaBlock(0140000, a), LdaBlock(0150000, b), LdaEnd()});
  const std::string path = folder.Write("tape.bin", tape);

  ASSERT_TRUE(LoadPageImage(*image, 6, path, pfAbsoluteLoader).ok());
  EXPECT_TRUE(std::equal(a.begin(), a.end(), image->Page(6)));
  EXPECT_TRUE(std::equal(b.begin(), b.end(), image->Page(6) + 512));
  EXPECT_EQ(image->Page(6)[1024], 0xFF);

  ASSERT_TRUE(LoadPageImage(*image, 6, path, pfBinary).ok());
  EXPECT_TRUE(std::equal(tape.begin(), tape.end(), image->Page(6)));

  ASSERT_TRUE(LoadPageImage(*image, 6, path, pfAuto).ok());
  EXPECT_TRUE(std::equal(a.begin(), a.end(), image->Page(6)));
}

TEST_F(PageLoad, MissingEndBlockFailsOrFallsBackToBinary) {
  const Bytes tape = Join({LdaBlock(0, Pattern(512)), LdaBlock(0, Pattern(512))});
  const std::string path = folder.Write("noend.lda", tape);

  image->PageSum[3] = 0x4321;
  const TPageLoadResult lda = LoadPageImage(*image, 3, path, pfAbsoluteLoader);
  EXPECT_EQ(lda.status, plBadContent);
  EXPECT_EQ(lda.message, "Ошибка открытия файла.");
  EXPECT_EQ(image->PageSum[3], 0x4321);

  ASSERT_TRUE(LoadPageImage(*image, 3, path, pfAuto).ok());
  Bytes expected = tape;
  expected.resize(kPageSize, 0xFF);
  EXPECT_EQ(PageBytes(*image, 3), expected);
  EXPECT_EQ(image->PageSum[3], PageSum16(kPageSize, expected.data()));
}

TEST_F(PageLoad, PaperTapesUnderEachFilter) {
  struct {
    const char* tape;
    TPageFormat format;
    bool ok;
    bool raw;  // the page holds the file's own first bytes
  } cases[] = {
      {"DEC-11-AJPB-PB.lda", pfAbsoluteLoader, true, false},
      {"DEC-11-AJPB-PB.lda", pfAuto, true, false},
      {"DEC-11-AJPB-PB.lda", pfBinary, true, true},
      {"MAINDEC-11-DEQKC-B1-PB.lda", pfAbsoluteLoader, false, false},
      {"MAINDEC-11-DEQKC-B1-PB.lda", pfAuto, true, true},
      {"DEC-11-O1PA-PA.lda", pfAbsoluteLoader, false, false},
      {"DEC-11-O1PA-PA.lda", pfAuto, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.tape) + " format " + std::to_string(c.format));
    const std::string path = testing::LdaFixture(c.tape);
    ASSERT_TRUE(std::filesystem::exists(path));
    const Bytes file = testing::ReadBytes(path);
    image->PageSum[9] = 0xAAAA;
    EXPECT_EQ(LoadPageImage(*image, 9, path, c.format).ok(), c.ok);
    EXPECT_EQ(image->PageSum[9], c.ok ? PageSum16(kPageSize, image->Page(9)) : 0xAAAA);
    if (c.raw) {
      Bytes expected(file.begin(), file.begin() + std::min(file.size(), kPageSize));
      expected.resize(kPageSize, 0xFF);
      EXPECT_EQ(PageBytes(*image, 9), expected);
    }
  }
}

TEST(BankFiles, Layout1WritesOneFilePerRomRegion) {
  testing::TScratchFolder folder;
  auto image = FreshImage();
  for (int p = 0; p < kPageCount; ++p) std::fill_n(image->Page(p), kPageSize, 0x30 + p);
  // A file from an earlier run is replaced.
  folder.Write("b2_0.bin", Bytes(10, 0xEE));

  const TBankFilesResult result = SaveBankFiles(*image, 0, folder.Path());
  ASSERT_TRUE(result.ok) << result.message;

  const struct {
    const char* name;
    int page;
  } expected[] = {{"b2_0.bin", 0}, {"b3_0.bin", 1}, {"b4_0.bin", 2},
                  {"b5_0.bin", 3}, {"b6_1.bin", 4}, {"b6_2.bin", 5}};
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), std::size(expected));
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i], expected[i].name);
    EXPECT_EQ(result.written[i], folder.File(expected[i].name));
    EXPECT_EQ(testing::ReadBytes(folder.File(expected[i].name)),
              PageBytes(*image, expected[i].page))
        << expected[i].name;
  }
}

TEST(BankFiles, NoRomNoFiles) {
  testing::TScratchFolder folder;
  auto image = FreshImage();
  for (int layout : {16, 21, -1}) {
    const TBankFilesResult result = SaveBankFiles(*image, layout, folder.Path());
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.written.empty());
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST(BankFiles, FolderThatCannotTakeFilesFails) {
  testing::TScratchFolder folder;
  auto image = FreshImage();
  const std::string missing = folder.File("gone");
  const TBankFilesResult result = SaveBankFiles(*image, 0, missing);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.written.empty());
  EXPECT_EQ(result.message.rfind("Cannot create file \"" + missing + "/b2_0.bin\". ", 0), 0u)
      << result.message;
}

}  // namespace
}  // namespace karvelm
