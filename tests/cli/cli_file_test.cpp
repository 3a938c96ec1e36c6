// karvelm file new / file show, run in process on files in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/koi7.h"
#include "in_process_cli.h"
#include "temp_folder.h"
#include "test_names.h"

namespace karvelm {
namespace {

using testing::RunCliInProcess;
using testing::TCliRun;

TCliRun Karvelm(const std::vector<std::string>& args) {
  return RunCliInProcess(args);
}

std::string Repeat(const std::string& item, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? ", " : "") + item;
  return text;
}

TEST(CliFile, NewWritesTheInitialImageAndShowDecodesIt) {
  TTempFolder dir;
  const std::string path = dir.File("blank.bin");
  TCliRun run = Karvelm({"file", "new", path});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
  const std::string bytes = TTempFolder::Read(path);
  ASSERT_EQ(bytes.size(), 24299u);
  EXPECT_EQ(bytes.substr(0, 10), std::string("\x00\x08\x01\x0F\x82\x01\x84\x00\x4A\x8A", 10));
  EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\x00\x06\x01\x07\x86\x00\x80\x65", 8));

  run = Karvelm({"file", "show", path, "--json"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"mem_layout\": 0, \"punch_mode\": 0, \"reader_mode\": 0, \"ram_save_mode\": 1, "
            "\"settings_format\": 10, \"rk160_mode\": 0, \"rk170_mode\": 0, "
            "\"watchdog_mode\": 0, \"cpu_slowdown\": 0, \"int_reg_140\": 255, "
            "\"int_reg_200\": 255, \"int_reg_240\": 255, \"bosi_irq_mode\": 0, "
            "\"settings_checksum\": 776, \"config_name\": \"\", \"set_points\": [" +
                Repeat("0", 16) + "], \"page_sum\": [" + Repeat("65535", 16) +
                "], \"page_crc\": [" + Repeat("16383", 16) + "]}\n");
  EXPECT_TRUE(run.err.empty());
}

// The JSON answer is built as values: whatever a file name holds, the line parses back to it;
// bytes that are not UTF-8 become U+FFFD rather than break the line.
TEST(CliFile, JsonEscapesTheFileName) {
  TTempFolder dir;
  const struct {
    std::string name, shown;
  } cases[] = {
      {"quote\"back\\slash.bin", "quote\"back\\slash.bin"},
      {"tab\tbell\x07line\n.bin", "tab\tbell\x07line\n.bin"},
      {"станок.bin", "станок.bin"},
      {"bad\xff.bin", "bad\xEF\xBF\xBD.bin"},
  };
  for (const auto& c : cases) {
    const std::string path = dir.File(c.name);
    TCliRun run = Karvelm({"file", "new", path, "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line: " << run.out;
    const nlohmann::json json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json.at("file"), dir.File(c.shown)) << run.out;
  }
}

// A file another configurator wrote: fields, name, set-points and a page that differ from
// the initial image.
class CliFileShow : public ::testing::Test {
 protected:
  void SetUp() override {
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    SetSettingsWord(*image, MemLayout, 13);
    SetSettingsWord(*image, PunchMode, 1);
    SetSettingsWord(*image, IntReg200, 3);
    SetSettingsWord(*image, CpuSlowdown, 42);  // no such item: shown, not refused
    SetConfigName(*image, Utf8ToCp1251("СТАНОК Ъ-7"));
    SetSetPointWord(*image, 3, 0x1234);
    std::fill_n(image->Page(2), kPageSize, 0);
    ASSERT_TRUE(SaveConfigImageFile(path, *image).ok());
  }
  TTempFolder dir;
  const std::string path = dir.File("machine.bin");
};

TEST_F(CliFileShow, JsonCarriesEveryFieldAndRecomputedChecks) {
  TCliRun run = Karvelm({"--json", "file", "show", path});
  ASSERT_EQ(run.code, 0) << run.err;
  for (const char* part :
       {"\"mem_layout\": 13,", "\"punch_mode\": 1,", "\"int_reg_200\": 3,", "\"cpu_slowdown\": 42,",
        "\"config_name\": \"СТАНОК Ъ-7\"", "\"set_points\": [0, 0, 0, 4660, 0,",
        // page 2 is all zeros: sum 0, CRC 0x6FFF
        "\"page_sum\": [65535, 65535, 0, 65535,", "\"page_crc\": [16383, 16383, 28671, 16383,"})
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
}

TEST_F(CliFileShow, TextNamesTheItemsAndRegisters) {
  TCliRun run = Karvelm({"file", "show", path});
  ASSERT_EQ(run.code, 0) << run.err;
  for (const char* line :
       {"mem_layout: 13 (14)\n", "punch_mode: 1 (штатный перфоратор)\n",
        "ram_save_mode: 1 (автоматический)\n", "int_reg_140: 255 (not used)\n",
        "int_reg_200: 3 (input register 167606)\n", "cpu_slowdown: 42 (no such item)\n",
        "config_name: \"СТАНОК Ъ-7\"\n", "set_point 173006: 11064\n",
        "page 1: sum 177777, crc 37777\n", "page 2: sum 0, crc 67777\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}

TEST_F(CliFileShow, BadFrameIsRefusedWithoutOutput) {
  std::string bytes = TTempFolder::Read(path);
  bytes[14] ^= 0x01;  // inside the settings block's address frame
  const std::string broken = dir.Write("broken.bin", bytes);
  for (bool json : {false, true}) {
    std::vector<std::string> args = {"file", "show", broken};
    if (json) args.push_back("--json");
    TCliRun run = Karvelm(args);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "Ошибка открытия файла\n");
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
}

TEST_F(CliFileShow, TruncatedFileShowsTheFramesItHas) {
  const std::string bytes = TTempFolder::Read(path);
  const std::string cut = dir.Write("cut.bin", bytes.substr(0, bytes.size() / 2 + 3));
  TCliRun run = Karvelm({"file", "show", cut, "--json"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("\"mem_layout\": 13,"), std::string::npos) << run.out;
}

TEST(CliFile, FileErrorsAreReported) {
  TTempFolder dir;
  TCliRun run = Karvelm({"file", "show", dir.File("missing.bin")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err.rfind("Cannot open file \"" + dir.File("missing.bin") + "\".", 0), 0u)
      << run.err;

  run = Karvelm({"file", "new", dir.File("no/such/folder.bin")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err.rfind("Cannot create file", 0), 0u) << run.err;

  // A failed save leaves the file that was there alone.
  const std::string kept = dir.Write("kept.bin", "old content");
  std::filesystem::permissions(
      dir.File(""), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  run = Karvelm({"file", "new", kept});
  std::filesystem::permissions(dir.File(""), std::filesystem::perms::owner_all);
  if (::geteuid() != 0) {  // root writes into read-only folders
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(TTempFolder::Read(kept), "old content");
  }
}

struct TUsageCase {
  std::vector<std::string> args;
  std::string reasonPart;
};

void PrintTo(const TUsageCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.args) << " -> " << ::testing::PrintToString(c.reasonPart);
}

class CliConfigUsage : public ::testing::TestWithParam<TUsageCase> {};

// Refused before any link is opened: exit 2, one line, nothing on stdout.
TEST_P(CliConfigUsage, ExitTwoWithOneLine) {
  std::vector<std::string> args = GetParam().args;
  args.insert(args.begin(), {"--ip", "127.0.0.1", "--local-port", "0"});
  TCliRun run = Karvelm(args);
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(run.out.empty());
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  EXPECT_NE(run.err.find(GetParam().reasonPart), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CliConfigUsage,
    ::testing::Values(TUsageCase{{"file", "new"}, "usage: file new FILE"},
                      TUsageCase{{"file", "new", "a.bin", "b.bin"}, "usage: file new FILE"},
                      TUsageCase{{"file", "show"}, "usage: file show FILE"},
                      TUsageCase{{"config", "read"}, "usage: config read 1|2 FILE"},
                      TUsageCase{{"config", "read", "1"}, "usage: config read 1|2 FILE"},
                      TUsageCase{{"config", "write", "2"}, "usage: config write 1|2 FILE"},
                      TUsageCase{{"config", "read", "3", "f.bin"}, "1 or 2, not '3'"},
                      TUsageCase{{"config", "write", "0", "f.bin"}, "1 or 2, not '0'"},
                      TUsageCase{{"config", "write", "01", "f.bin"}, "1 or 2"},
                      TUsageCase{{"config", "read", "1", ""}, "FILE"},
                      TUsageCase{{"config", "read", "1", "a", "b"}, "usage"}),
    [](const auto& info) {
      std::string name;
      for (const std::string& arg : info.param.args)
        name += (name.empty() ? "" : "_") + NamePart(arg);
      return name;
    });

}  // namespace
}  // namespace karvelm
