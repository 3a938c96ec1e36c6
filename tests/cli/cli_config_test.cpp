// karvelm config read / config write as a user runs them, against karvelm-sim on loopback.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "child_process.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/koi7.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

TRunResult Karvelm(int port, std::vector<std::string> args, double timeout = 60) {
  std::vector<std::string> full = {"--ip",         "127.0.0.1", "--port", std::to_string(port),
                                   "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return RunProgram(KARVELM_CLI_PATH, full, timeout);
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

// A configuration file unlike the initial image: named, with fields, set-points and pages
// of noise.
std::string MachineFile(const TTempFolder& dir) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  std::mt19937 random(11);
  for (size_t i = 0; i < kMemoryImageSize / 2; ++i)
    image->MemoryImage[i] = static_cast<uint8_t>(random() % 4 ? random() : 0);
  SetSettingsWord(*image, MemLayout, 4);
  SetSettingsWord(*image, WatchdogMode, 1);
  SetConfigName(*image, Utf8ToCp1251("ТОКАРНЫЙ 16К20"));
  SetSetPointWord(*image, 15, 0xBEEF);
  const std::string path = dir.File("machine.bin");
  EXPECT_TRUE(SaveConfigImageFile(path, *image).ok());
  return path;
}

// Stored configuration config of the simulator reads back as the file of the initial image.
void ExpectStoredInitialImage(const TSimProcess& sim, const TTempFolder& dir, const char* config) {
  const std::string read = dir.File("read.bin");
  const TRunResult r = Karvelm(sim.Port(), {"config", "read", config, read});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(RunProgram(KARVELM_CLI_PATH, {"file", "new", dir.File("blank.bin")}).exitCode, 0);
  EXPECT_EQ(TTempFolder::Read(read), TTempFolder::Read(dir.File("blank.bin")));
}

TEST(CliConfig, WriteFromTheFirmwareThenReadBackAndRestart) {
  TTempFolder dir;
  const std::string file = MachineFile(dir);
  TSimProcess sim({"--restart-ms", "150"});  // in the firmware: the tool enters the loader

  TRunResult r = Karvelm(sim.Port(), {"config", "write", "2", file, "--wait", "5"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Karvelm(sim.Port(), {"identify", "--json"});
  EXPECT_NE(r.out.find("\"state\": \"bootloader\""), std::string::npos)
      << "without --restart the module stays in its bootloader: " << r.out;

  const std::string out = dir.File("backup.bin");
  r = Karvelm(sim.Port(), {"--restart", "config", "read", "2", out, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"config\": 2, \"file\": \"" + out + "\", \"restarted\": 1}\n");
  EXPECT_EQ(TTempFolder::Read(out), TTempFolder::Read(file))
      << "the backup equals the file written";

  r = Karvelm(sim.Port(), {"identify", "--json"});
  EXPECT_NE(r.out.find("\"state\": \"firmware\""), std::string::npos) << r.out;

  // Configuration 1 was never written: it reads back as the initial image.
  ExpectStoredInitialImage(sim, dir, "1");
}

TEST(CliConfig, ReadWithAFailingBlockLeavesTheFileAlone) {
  TTempFolder dir;
  TSimProcess sim({"--program", "bootloader", "--fail-read", "4A000"});  // page 5 of config 1
  const std::string out = dir.Write("old.bin", "the previous backup");
  TRunResult r = Karvelm(sim.Port(), {"config", "read", "1", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(StartsWith(r.err, "Ошибка считывания настроек.\n")) << r.err;
  EXPECT_NE(r.err.find("page 5"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(TTempFolder::Read(out), "the previous backup");

  r = Karvelm(sim.Port(), {"config", "read", "1", dir.File("new.bin")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("new.bin")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                          std::filesystem::directory_iterator()),
            1)
      << "no temporary file left behind";
}

TEST(CliConfig, WriteThatLosesAPieceFails) {
  TTempFolder dir;
  const std::string file = MachineFile(dir);
  TSimProcess sim({"--program", "bootloader", "--lose-write-ack", "4"});
  TRunResult r = Karvelm(sim.Port(), {"config", "write", "1", file, "--restart"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(StartsWith(r.err, "Ошибка записи настроек.\n")) << r.err;
  EXPECT_NE(r.err.find("3156 of"), std::string::npos) << "three UDP pieces: " << r.err;
  // A partial configuration is not started: the module stays in its bootloader.
  r = Karvelm(sim.Port(), {"identify", "--json"});
  EXPECT_NE(r.out.find("\"state\": \"bootloader\""), std::string::npos) << r.out;
}

TEST(CliConfig, BadFileIsRefusedBeforeTheModule) {
  TTempFolder dir;
  std::string bytes = TTempFolder::Read(MachineFile(dir));
  bytes[30] ^= 0x10;
  const std::string broken = dir.Write("broken.bin", bytes);
  TSimProcess sim({"--program", "bootloader"});
  TRunResult r = Karvelm(sim.Port(), {"config", "write", "1", broken});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Ошибка открытия файла\n");
  r = Karvelm(sim.Port(), {"config", "write", "1", dir.File("missing.bin")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(StartsWith(r.err, "Cannot open file")) << r.err;
  // A cut-off backup opens, but restoring it would erase the pages it lost.
  const std::string whole = TTempFolder::Read(MachineFile(dir));
  const std::string cut = dir.Write("cut.bin", whole.substr(0, whole.size() / 2));
  r = Karvelm(sim.Port(), {"config", "write", "1", cut});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(StartsWith(r.err, "Ошибка открытия файла\n")) << r.err;
  EXPECT_NE(r.err.find("cut off"), std::string::npos) << r.err;
  // The module was never asked for anything: its stored configuration 1 is still blank.
  ExpectStoredInitialImage(sim, dir, "1");
}

TEST(CliConfig, ModuleThatNeverReachesTheBootloaderEndsInBoundedTime) {
  struct Case {
    const char* what;
    std::vector<std::string> simArgs;
  } cases[] = {
      // cmdEnterLoader is taken, but the restart takes longer than the tool waits.
      {"slow restart", {"--restart-ms", "60000"}},
      // A first-generation firmware on this link: not DEV_ID, so no cmdEnterLoader is sent.
      {"other firmware", {"--generation", "old"}},
  };
  for (const Case& c : cases) {
    TTempFolder dir;
    TSimProcess sim(c.simArgs);
    TRunResult r =
        Karvelm(sim.Port(), {"config", "read", "1", dir.File("out.bin"), "--wait", "0.5"}, 20);
    EXPECT_EQ(r.exitCode, 1) << c.what;
    EXPECT_EQ(r.err, "the bootloader does not answer\n") << c.what;
    EXPECT_LT(r.seconds, 4.0) << c.what;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
  }
}

}  // namespace
}  // namespace karvelm
