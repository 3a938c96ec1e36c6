// karvelm file diff (in process) and config diff (against karvelm-sim on loopback).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "child_process.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/koi7.h"
#include "in_process_cli.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::RunCliInProcess;
using testing::TCliRun;
using TChange = std::function<void(TConfigImage&)>;

// A named configuration with a little in its pages, changed as asked, saved as a file.
std::string SavedFile(const TTempFolder& dir, const std::string& name, const TChange& change = {}) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  SetConfigName(*image, Utf8ToCp1251("ТОКАРНЫЙ"));
  SetSettingsWord(*image, MemLayout, 2);
  for (int page = 0; page < kPageCount; ++page) image->Page(page)[0] = static_cast<uint8_t>(page);
  if (change) change(*image);
  const std::string path = dir.File(name);
  EXPECT_TRUE(SaveConfigImageFile(path, *image).ok());
  return path;
}

struct TFileDiffCase {
  const char* name;
  TChange change;
  int code;
  std::string text;  // stdout
};

TEST(CliFileDiff, OneLinePerDifferenceAndTheExitSaysWhetherThereWasAny) {
  TTempFolder dir;
  const std::string a = SavedFile(dir, "a.bin");
  const TFileDiffCase cases[] = {
      {"equal", {}, 0, ""},
      {"oneField", [](TConfigImage& b) { SetSettingsWord(b, ReaderMode, 1); }, 1,
       "reader_mode: 0 (использование СМП) | 1 (штатное ФСУ)\n"},
      {"oneSetPoint", [](TConfigImage& b) { SetSetPointWord(b, 3, 0177777); }, 1,
       "set_point 173006: 0 | 177777\n"},
      {"name", [](TConfigImage& b) { SetConfigName(b, Utf8ToCp1251("ФРЕЗЕРНЫЙ")); }, 1,
       "config_name: \"ТОКАРНЫЙ\" | \"ФРЕЗЕРНЫЙ\"\n"},
      {"twoPages",
       [](TConfigImage& b) {
         b.Page(1)[8] = 0xAA;
         for (int i = 0; i < 9; ++i) b.Page(14)[1 + i] = 0x55;
       },
       1,
       "page 1: 1 byte differs; first offsets (octal) 10\n"
       "page 14: 9 bytes differ; first offsets (octal) 1, 2, 3, 4, 5, 6, 7, 10, ...\n"},
      {"layoutAndInterrupts",
       [](TConfigImage& b) {
         SetSettingsWord(b, MemLayout, 7);
         SetSettingsWord(b, IntReg240, 2);
       },
       1,
       "mem_layout: 2 (3) | 7 (8)\n"
       "int_reg_240: 255 (not used) | 2 (input register 167604)\n"},
  };
  for (const TFileDiffCase& c : cases) {
    const std::string b = SavedFile(dir, std::string(c.name) + ".bin", c.change);
    const TCliRun run = RunCliInProcess({"file", "diff", a, b});
    EXPECT_EQ(run.code, c.code) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, c.text) << c.name;
    EXPECT_EQ(run.err, "") << c.name;
  }
}

TEST(CliFileDiff, JsonListsEveryPartAndEveryPage) {
  TTempFolder dir;
  const std::string a = SavedFile(dir, "a.bin");
  const std::string b = SavedFile(dir, "b.bin", [](TConfigImage& image) {
    SetSettingsWord(image, CpuSlowdown, 3);
    SetSetPointWord(image, 0, 1);
    SetConfigName(image, "");
    image.Page(2)[100] = 1;
    image.Page(9)[0] = 0;
    image.Page(9)[1] = 1;
  });
  TCliRun run = RunCliInProcess({"file", "diff", a, b, "--json"});
  ASSERT_EQ(run.code, 1) << run.err;
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(run.out);
  EXPECT_EQ(json["equal"], false);
  EXPECT_EQ(json["a"], a);
  EXPECT_EQ(json["b"], b);
  EXPECT_EQ(json["fields"].dump(), R"x([{"key":"cpu_slowdown","name":"CpuSlowdown","a":0,"b":3,)x"
                                   R"x("a_text":"0 (0 - нет замедления)","b_text":"3 (3)"}])x");
  EXPECT_EQ(json["settings_words"].dump(), "[]");
  EXPECT_EQ(json["config_name"].dump(), R"({"differs":true,"a":"ТОКАРНЫЙ","b":""})");
  EXPECT_EQ(json["mem_layout"].dump(), R"({"differs":false,"a":2,"b":2})");
  EXPECT_EQ(json["set_points"].dump(), R"([{"index":0,"address":"173000","a":0,"b":1}])");
  ASSERT_EQ(json["pages"].size(), 16u);
  for (int page = 0; page < 16; ++page) {
    const nlohmann::ordered_json& row = json["pages"][page];
    EXPECT_EQ(row["page"], page);
    EXPECT_EQ(row["differs"], page == 2 || page == 9) << page;
  }
  EXPECT_EQ(json["pages"][2].dump(),
            R"({"page":2,"differs":true,"bytes":1,"first_offsets":[100]})");
  EXPECT_EQ(json["pages"][9].dump(),
            R"({"page":9,"differs":true,"bytes":2,"first_offsets":[0,1]})");

  run = RunCliInProcess({"file", "diff", a, a, "--json"});
  EXPECT_EQ(run.code, 0) << run.err;
  const nlohmann::ordered_json same = nlohmann::ordered_json::parse(run.out);
  EXPECT_EQ(same["equal"], true);
  EXPECT_TRUE(same["fields"].empty());
  EXPECT_TRUE(same["set_points"].empty());
  EXPECT_EQ(same["config_name"]["differs"], false);
  for (const nlohmann::ordered_json& row : same["pages"]) EXPECT_EQ(row["bytes"], 0);
}

TEST(CliFileDiff, UsageAndFilesThatCannotBeRead) {
  TTempFolder dir;
  const std::string a = SavedFile(dir, "a.bin");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"file", "diff", a},
                                               {"file", "diff", a, a, a},
                                               {"file", "diff", a, a, "--wait", "1"}}) {
    EXPECT_EQ(RunCliInProcess(args).code, 2) << args.size();
  }
  TCliRun run = RunCliInProcess({"file", "diff", a, dir.File("gone.bin")});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("gone.bin"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");

  // A frame that fails its check: the rest of the file is unknown, so nothing is compared.
  std::string bytes = TTempFolder::Read(a);
  bytes[20] ^= 0x40;
  const std::string bad = dir.Write("bad.bin", bytes);
  run = RunCliInProcess({"file", "diff", bad, a});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, bad + ": Ошибка открытия файла\n");
  EXPECT_EQ(run.out, "");
}

testing::TRunResult Karvelm(int port, std::vector<std::string> args) {
  std::vector<std::string> full = {"--ip",         "127.0.0.1", "--port", std::to_string(port),
                                   "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return testing::RunProgram(KARVELM_CLI_PATH, full, 60);
}

// The stored configuration read from the module is A, the file B.
TEST(CliConfigDiff, StoredConfigurationAgainstAFile) {
  TTempFolder dir;
  const std::string file = SavedFile(dir, "machine.bin");
  testing::TSimProcess sim({"--program", "bootloader"});
  ASSERT_EQ(Karvelm(sim.Port(), {"config", "write", "1", file}).exitCode, 0);

  testing::TRunResult r = Karvelm(sim.Port(), {"config", "diff", "1", file});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string changed =
      SavedFile(dir, "changed.bin", [](TConfigImage& image) { SetSetPointWord(image, 15, 012); });
  r = Karvelm(sim.Port(), {"config", "diff", "1", changed});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "set_point 173036: 0 | 12\n");
  // Configuration 2 still holds the initial image.
  r = Karvelm(sim.Port(), {"config", "diff", "2", file, "--json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(r.out);
  EXPECT_EQ(json["a"], "configuration 2");
  EXPECT_EQ(json["config_name"].dump(), R"({"differs":true,"a":"","b":"ТОКАРНЫЙ"})");
  EXPECT_EQ(json["mem_layout"]["differs"], true);
  EXPECT_EQ(json["pages"][15]["bytes"], 1);

  // Usage errors and a file that cannot be read end before the module is asked anything.
  EXPECT_EQ(Karvelm(sim.Port(), {"config", "diff", "3", file}).exitCode, 2);
  EXPECT_EQ(Karvelm(sim.Port(), {"config", "diff", "1"}).exitCode, 2);
  r = Karvelm(sim.Port(), {"config", "diff", "1", dir.File("gone.bin")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("gone.bin"), std::string::npos) << r.err;
}

TEST(CliConfigDiff, ABlockThatCannotBeReadComparesNothing) {
  TTempFolder dir;
  const std::string file = SavedFile(dir, "machine.bin");
  testing::TSimProcess sim({"--program", "bootloader", "--fail-read", "4A000"});
  const testing::TRunResult r = Karvelm(sim.Port(), {"config", "diff", "1", file});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("Ошибка считывания настроек.\n", 0), 0u) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace karvelm
