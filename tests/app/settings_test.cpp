#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/ini_file.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

TEST(Settings, MissingFileGivesDefaults) {
  TTempFolder folder;
  TSettings settings = LoadSettings(folder.File("absent.ini"));
  EXPECT_EQ(settings.intf_type_num, 0);
  EXPECT_EQ(settings.ip_string, "192.168.0.10");
  EXPECT_FALSE(settings.DisableIntfSelection);
}

struct TLoadCase {
  const char* text;
  int intf;
  const char* ip;
  bool disable;
};

void PrintTo(const TLoadCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::string(c.text)) << " -> interface " << c.intf << ", ip "
      << c.ip << ", disable " << c.disable;
}

class SettingsLoad : public testing::TestWithParam<TLoadCase> {};

TEST_P(SettingsLoad, ReadsKeysWithDefaultsForWhatIsMissingOrBad) {
  TTempFolder folder;
  const auto& c = GetParam();
  TSettings settings = LoadSettings(folder.Write("k.ini", c.text));
  EXPECT_EQ(settings.intf_type_num, c.intf);
  EXPECT_EQ(settings.ip_string, c.ip);
  EXPECT_EQ(settings.DisableIntfSelection, c.disable);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsLoad,
    testing::Values(
        TLoadCase{"[Settings]\ninterface=2\nip=10.1.2.3\ndisable_select_dialog=1\n", 2, "10.1.2.3",
                  true},
        TLoadCase{"[Settings]\ninterface=5\n", 5, "192.168.0.10", false},
        TLoadCase{"[Settings]\ninterface=-7\n", -7, "192.168.0.10", false},
        // Windows line ends, blanks and names in another case, as the platform reads them.
        TLoadCase{"[settings]\r\n Interface = 1 \r\nIP=127.0.0.5\r\nDISABLE_SELECT_DIALOG=7\r\n", 1,
                  "127.0.0.5", true},
        // Not a number: the default.
        TLoadCase{"[Settings]\ninterface=two\ndisable_select_dialog=yes\n", 0, "192.168.0.10",
                  false},
        TLoadCase{"[Settings]\ninterface=99999999999\n", 0, "192.168.0.10", false},
        // Keys of another section do not count.
        TLoadCase{"[Other]\ninterface=2\n[Settings]\nip=1.2.3.4\n", 0, "1.2.3.4", false},
        TLoadCase{"", 0, "192.168.0.10", false}));

TEST(Settings, SaveWritesTheThreeKeysAndKeepsTheRest) {
  TTempFolder folder;
  std::string path =
      folder.Write("k.ini", "; kept\n[Settings]\nip=1.1.1.1\nextra=x\n[Other]\na=b\n");
  std::string error;
  ASSERT_TRUE(SaveSettings(path, {2, "10.0.0.7", true}, error)) << error;
  std::string text = TTempFolder::Read(path);
  EXPECT_NE(text.find("; kept\n"), std::string::npos);
  EXPECT_NE(text.find("extra=x\n"), std::string::npos);
  EXPECT_NE(text.find("[Other]\na=b\n"), std::string::npos);
  EXPECT_NE(text.find("disable_select_dialog=1\n"), std::string::npos);
  TSettings back = LoadSettings(path);
  EXPECT_EQ(back.intf_type_num, 2);
  EXPECT_EQ(back.ip_string, "10.0.0.7");
  EXPECT_TRUE(back.DisableIntfSelection);

  ASSERT_TRUE(SaveSettings(path, {-7, "10.0.0.7", false}, error));
  EXPECT_NE(TTempFolder::Read(path).find("disable_select_dialog=0\n"), std::string::npos);
  EXPECT_EQ(LoadSettings(path).intf_type_num, -7);
}

TEST(Settings, NewFileHasTheSection) {
  TTempFolder folder;
  std::string error;
  ASSERT_TRUE(SaveSettings(folder.File("n.ini"), {}, error));
  EXPECT_EQ(TTempFolder::Read(folder.File("n.ini")),
            "[Settings]\ninterface=0\nip=192.168.0.10\ndisable_select_dialog=0\n");
}

TEST(Settings, FailedSaveReportsAndLeavesTheOldFile) {
  TTempFolder folder;
  std::string error;
  EXPECT_FALSE(SaveSettings(folder.File("no/such/folder.ini"), {}, error));
  EXPECT_FALSE(error.empty());
  // The new content cannot be written (a folder blocks the temporary file's name).
  std::string path = folder.Write("k.ini", "[Settings]\ninterface=1\n");
  std::filesystem::create_directory(path + ".tmp");
  EXPECT_FALSE(SaveSettings(path, {2, "1.2.3.4", true}, error));
  EXPECT_EQ(TTempFolder::Read(path), "[Settings]\ninterface=1\n");
}

TEST(SettingsPath, BesideTheExecutableOrInTheUserFolder) {
  EXPECT_EQ(SettingsPathBeside("/opt/karvelm/KarvelMcfg"), "/opt/karvelm/KarvelMcfg.ini");
  EXPECT_EQ(SettingsPathBeside("/a/b/KarvelMcfg.exe"), "/a/b/KarvelMcfg.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/KarvelMcfg", true, "/home/u/.config"),
            "/usr/bin/KarvelMcfg.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/KarvelMcfg", false, "/home/u/.config"),
            "/home/u/.config/KarvelMcfg.ini");
  EXPECT_EQ(SettingsFilePath("/usr/bin/KarvelMcfg", false, ""), "/usr/bin/KarvelMcfg.ini");
}

struct TArgsCase {
  std::vector<std::string> args;
  bool service;
  bool simulator;
};

TEST(CommandLine, ServiceSwitchOnlyFirstAndExactSimulatorAnywhere) {
  const TArgsCase cases[] = {
      {{}, false, false},
      {{"-s"}, true, false},
      {{"-S"}, false, false},
      {{"/s"}, false, false},
      {{"-s "}, false, false},
      {{"x", "-s"}, false, false},
      {{"--simulator", "-s"}, false, true},
      {{"-s", "--simulator"}, true, true},
      {{"-s", "other", "--simulator"}, true, true},
      {{"--Simulator"}, false, false},
  };
  for (const auto& c : cases) {
    TCommandLine line = ParseCommandLine(c.args);
    std::string shown = testing::PrintToString(c.args);
    EXPECT_EQ(line.serviceMode, c.service) << shown;
    EXPECT_EQ(line.simulator, c.simulator) << shown;
  }
}

TEST(CommandLine, PacketTraceOffUnlessNamed) {
  const struct {
    std::vector<std::string> args;
    std::string trace;
  } cases[] = {
      {{}, ""},
      {{"-s", "--simulator"}, ""},
      {{"--trace", "t.jsonl"}, "t.jsonl"},
      {{"-s", "--trace=/tmp/a b.jsonl", "--simulator"}, "/tmp/a b.jsonl"},
      {{"--trace"}, ""},  // no file named
  };
  for (const auto& c : cases) {
    const TCommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(line.traceFile, c.trace) << testing::PrintToString(c.args);
  }
  EXPECT_TRUE(ParseCommandLine({"-s", "--trace", "t.jsonl"}).serviceMode);
}

// --help and --version are answered before any window; the first of them on the line wins,
// and the caption shows the same version.
TEST(CommandLine, InformationBeforeAnyWindow) {
  const std::string version = std::string("KarvelMcfg ") + kProgramVersion + "\n";
  const struct {
    std::vector<std::string> args;
    std::string starts;  // empty: no information, the window opens
  } cases[] = {
      {{}, ""},
      {{"-s", "--simulator"}, ""},
      {{"--Version"}, ""},
      {{"--version"}, version},
      {{"-s", "--simulator", "--version"}, version},
      {{"--help"}, "usage: KarvelMcfg"},
      {{"-h"}, "usage: KarvelMcfg"},
      {{"--version", "--help"}, version},
      {{"--help", "--version"}, "usage: KarvelMcfg"},
  };
  for (const auto& c : cases) {
    const std::string text = InformationText(c.args);
    const std::string shown = testing::PrintToString(c.args);
    if (c.starts.empty()) {
      EXPECT_EQ(text, "") << shown;
    } else {
      EXPECT_EQ(text.rfind(c.starts, 0), 0u) << shown << ": " << text;
    }
  }
  const std::string help = InformationText({"--help"});
  for (const char* option : {"-s", "--simulator", "--trace", "--help", "--version"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  EXPECT_EQ(BaseTitle(), std::string("Конфигуратор модуля KarvelM v ") + kProgramVersion);
  EXPECT_STREQ(kProgramVersion, "1.97");
}

}  // namespace
}  // namespace karvelm
