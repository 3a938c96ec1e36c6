// karvelm file page, run in process on files in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/page_image_load.h"
#include "in_process_cli.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::RunCliInProcess;
using testing::TCliRun;

TCliRun Karvelm(const std::vector<std::string>& args) {
  return RunCliInProcess(args);
}

std::string Fixture(const std::string& name) {
  return std::string(KARVELM_LDA_FIXTURES) + "/" + name;
}

std::unique_ptr<TConfigImage> Load(const std::string& path) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  EXPECT_TRUE(LoadConfigImageFile(path, *image).ok());
  return image;
}

class CliFilePage : public ::testing::Test {
 protected:
  void SetUp() override {
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    SetSettingsWord(*image, MemLayout, 5);
    std::fill_n(image->Page(7), kPageSize, 0x77);
    ASSERT_TRUE(SaveConfigImageFile(file, *image).ok());
    before = TTempFolder::Read(file);
  }

  TTempFolder dir;
  const std::string file = dir.File("config.bin");
  std::string before;
};

TEST_F(CliFilePage, BinaryImageIntoOnePage) {
  const std::string data(100, '\x42');
  const TCliRun run =
      Karvelm({"file", "page", file, "4", dir.Write("img.bin", data), "--format", "bin"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "");

  auto image = Load(file);
  EXPECT_TRUE(
      std::all_of(image->Page(4), image->Page(4) + 100, [](uint8_t b) { return b == 0x42; }));
  EXPECT_TRUE(
      std::all_of(image->Page(4) + 100, image->Page(5), [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(image->Page(7)[0], 0x77);  // the rest of the file is kept
  EXPECT_EQ(SettingsWord(*image, MemLayout), 5);
}

TEST_F(CliFilePage, AutoReadsAPaperTapeLikeTheAllFilesFilter) {
  const std::string tape = Fixture("DEC-11-AJPB-PB.lda");
  const TCliRun run = Karvelm({"file", "page", file, "15", tape, "--json"});
  ASSERT_EQ(run.code, 0) << run.err;

  auto expected = std::make_unique<TConfigImage>();
  ResetConfigImage(*expected);
  ASSERT_TRUE(LoadPageImage(*expected, 15, tape, PageFormatForFilter(3)).ok());
  auto image = Load(file);
  EXPECT_TRUE(std::equal(image->Page(15), image->Page(15) + kPageSize, expected->Page(15)));
  EXPECT_EQ(run.out, "{\"file\": \"" + file +
                         "\", \"page\": 15, \"sum\": " + std::to_string(expected->PageSum[15]) +
                         ", \"crc\": " + std::to_string(expected->PageCrc[15]) + "}\n");
}

TEST_F(CliFilePage, FailuresLeaveTheFileAlone) {
  const struct {
    const char* what;
    std::vector<std::string> args;
    int code;
    std::string err;  // start of stderr
  } cases[] = {
      {"source tape as lda",
       {"file", "page", file, "0", Fixture("DEC-11-O1PA-PA.lda"), "--format", "lda"},
       1,
       "Ошибка открытия файла.\n"},
      {"tape larger than a page",
       {"file", "page", file, "0", Fixture("MAINDEC-11-DEQKC-B1-PB.lda"), "--format", "lda"},
       1,
       "Ошибка открытия файла.\n"},
      {"empty binary",
       {"file", "page", file, "0", dir.Write("empty.bin", "")},
       1,
       "Ошибка открытия файла.\n"},
      {"missing image",
       {"file", "page", file, "0", dir.File("none.lda")},
       1,
       "Cannot open file \"" + dir.File("none.lda") + "\". "},
      {"page 16", {"file", "page", file, "16", Fixture("DEC-11-O1PA-PB.lda")}, 2, "PAGE"},
      {"octal-looking page",
       {"file", "page", file, "-1", Fixture("DEC-11-O1PA-PB.lda")},
       2,
       "PAGE"},
      {"missing IMAGE", {"file", "page", file, "0"}, 2, "usage: file page"},
      {"bad format",
       {"file", "page", file, "0", Fixture("DEC-11-O1PA-PB.lda"), "--format", "hex"},
       2,
       "--format"},
  };
  for (const auto& c : cases) {
    const TCliRun run = Karvelm(c.args);
    EXPECT_EQ(run.code, c.code) << c.what;
    EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << c.what << ": " << run.err;
    EXPECT_EQ(TTempFolder::Read(file), before) << c.what;
  }
}

TEST_F(CliFilePage, ConfigurationFileMustOpen) {
  const std::string missing = dir.File("absent.bin");
  TCliRun run = Karvelm({"file", "page", missing, "0", Fixture("DEC-11-O1PA-PB.lda")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err.rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << run.err;
  EXPECT_FALSE(std::filesystem::exists(missing));

  std::string damaged = before;
  damaged[5] = static_cast<char>(damaged[5] ^ 0x40);
  const std::string path = dir.Write("damaged.bin", damaged);
  run = Karvelm({"file", "page", path, "0", Fixture("DEC-11-O1PA-PB.lda")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, "Ошибка открытия файла\n");
  EXPECT_EQ(TTempFolder::Read(path), damaged);
}

}  // namespace
}  // namespace karvelm
