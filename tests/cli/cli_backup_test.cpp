// The safety net of the overwriting commands: the backup that config write and firmware
// update take first, the backups listing, and config write's read-back check. Over both USB
// kinds in process (the module's storage and faults in reach), and once end to end against
// karvelm-sim on loopback.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "cli_usb_fixture.h"
#include "config/backup_store.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "link/commands.h"
#include "sim/sim_images.h"
#include "temp_folder.h"
#include "test_names.h"

namespace karvelm {
namespace {

using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TSimHidModule;

// XDG_DATA_HOME for a scope (child processes inherit it), put back afterwards.
class TDataHomeScope {
 public:
  explicit TDataHomeScope(const std::string& folder) {
    if (const char* old = ::getenv("XDG_DATA_HOME")) FOld = old;
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  }
  ~TDataHomeScope() {
    FOld ? ::setenv("XDG_DATA_HOME", FOld->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
  }
  TDataHomeScope(const TDataHomeScope&) = delete;
  TDataHomeScope& operator=(const TDataHomeScope&) = delete;

 private:
  std::optional<std::string> FOld;
};

std::unique_ptr<TConfigImage> Image(uint8_t fill, uint16_t setPoint) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  for (size_t i = 0; i < kMemoryImageSize; i += 5) image->MemoryImage[i] = fill;
  SetSetPointWord(*image, 3, setPoint);
  SetSettingsWord(*image, PunchMode, 1);
  return image;
}

bool HoldsImage(TSimHidModule& module, int configIndex, TConfigImage& image) {
  auto stored = std::make_unique<TConfigImage>();
  ResetConfigImage(*stored);
  module.sim.Storage().Store(configIndex, *stored);
  SealSettingsBlock(image);
  return stored->SettingsBlock == image.SettingsBlock &&
         stored->SetPointBlock == image.SetPointBlock && stored->MemoryImage == image.MemoryImage;
}

class CliBackupUsb : public TCliUsbFixture {
 protected:
  // The module in its bootloader, holding image "held" in configuration 1; the file to write.
  TSimHidModule& PlugHolding() {
    TSimHidModule& module = Plug(spLoader);
    SealSettingsBlock(*held);
    module.sim.Storage().Load(0, *held);
    return module;
  }
  std::string File(const char* name, TConfigImage& image) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(SaveConfigImageFile(path, image).ok());
    return path;
  }
  std::vector<TBackupEntry> Backups() const { return ListBackups(BackupFolder()); }

  TTempFolder dir_;
  TTempFolder data_;
  TDataHomeScope dataHome_{data_.Path()};
  std::unique_ptr<TConfigImage> held = Image(0x11, 0x1111);
  std::unique_ptr<TConfigImage> written = Image(0x22, 0x2222);
};

TEST_P(CliBackupUsb, WriteLeavesABackupOfWhatTheModuleHeldAndChecksTheWrite) {
  TSimHidModule& module = PlugHolding();
  const std::string heldFile = File("held.bin", *held);
  const std::string file = File("new.bin", *written);

  TCliRun r = Run({"config", "write", "1", file, "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(TTempFolder::Read(backups[0].path), TTempFolder::Read(heldFile))
      << "the backup is the file a read of configuration 1 gives";
  EXPECT_EQ(backups[0].configNumber, 1);
  EXPECT_EQ(backups[0].link, GetParam() == itHID_OLD ? "usb1" : "usb2");
  EXPECT_NE(r.out.find("\"backup\": \"" + backups[0].path + "\", \"verified\": true"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(HoldsImage(module, 0, *written));

  r = Run({"backups", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"folder\": \"" + BackupFolder() + "\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"file\": \"" + backups[0].path + "\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"firmware_version\": \"" + backups[0].firmware + "\", \"config\": 1"),
            std::string::npos)
      << r.out;
  r = Run({"backups"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind(BackupFolder() + ": 1 backup, newest first\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(backups[0].name), std::string::npos) << r.out;
}

TEST_P(CliBackupUsb, BackupThatCannotBeReadStopsTheOverwriteUnlessNoBackup) {
  TSimHidModule& module = PlugHolding();
  // Every read of the module's storage starts with the common block: no backup can be had,
  // while the read-back check, which compares what a write changes, still works.
  module.sim.Faults().failReadAt = kCommonBlockAddress;
  const std::string file = File("new.bin", *written);
  std::string error;
  ASSERT_TRUE(WriteSimImages(dir_.Path(), error)) << error;
  const std::string image = dir_.File(GetParam() == itHID_OLD ? "UpdateKarvelOld" : "UpdateKarvel");

  struct Row {
    std::vector<std::string> args;
    const char* what;
  } rows[] = {
      {{"config", "write", "1", file}, "config write"},
      {{"firmware", "update", image}, "firmware update"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const TCliRun r = Run(row.args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "Не удалось сохранить резервную копию конфигурации 1: Ошибка считывания настроек. "
              "(common block)\nnothing was written (--no-backup goes on without a backup)\n");
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_TRUE(HoldsImage(module, 0, *held)) << "the module is untouched";
  for (const TSimReceived& received : module.sim.Received()) {
    if (received.request.type != kSimTypeReply) continue;
    EXPECT_NE(received.request.code, cmdWriteConfig);
    EXPECT_NE(received.request.code, cmdWriteFirmware);
  }
  EXPECT_TRUE(Backups().empty());

  TCliRun r = Run({"config", "write", "1", file, "--no-backup"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(HoldsImage(module, 0, *written));
  EXPECT_TRUE(Backups().empty());
  r = Run({"firmware", "update", image, "--no-backup", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"backups\": []"), std::string::npos) << r.out;
}

TEST_P(CliBackupUsb, FirmwareUpdateBacksUpBothConfigurations) {
  PlugHolding();
  std::string error;
  ASSERT_TRUE(WriteSimImages(dir_.Path(), error)) << error;
  const std::string image = dir_.File(GetParam() == itHID_OLD ? "UpdateKarvelOld" : "UpdateKarvel");
  const TCliRun r = Run({"firmware", "update", image});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto backups = Backups();
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(backups[0].configNumber, 2) << "newest first";
  EXPECT_EQ(backups[1].configNumber, 1);
  EXPECT_EQ(TTempFolder::Read(backups[1].path), TTempFolder::Read(File("held.bin", *held)));
}

TEST_P(CliBackupUsb, ReadBackCatchesAByteStoredWrongly) {
  TSimHidModule& module = PlugHolding();
  module.sim.Faults().corruptWriteAt = PageAddress(1, 2) + 0x40;
  const std::string file = File("new.bin", *written);
  TCliRun r = Run({"config", "write", "2", file, "--restart"});
  EXPECT_EQ(r.code, 1);
  // Byte 0x40 of page 2 is an erased one (0xFF) in the file.
  EXPECT_EQ(r.err,
            "Проверка записи не пройдена: страница 2, смещение 0x0040: записано 0xFF, считано "
            "0x00\n");
  EXPECT_EQ(module.sim.Program(), spLoader) << "no restart on a configuration that is wrong";

  r = Run({"config", "write", "2", file, "--no-verify"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "configuration 2 written from " + file + "; backup " + Backups()[0].path + "\n");
}

INSTANTIATE_TEST_SUITE_P(UsbKinds, CliBackupUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         LinkKindParamName);

// Over loopback UDP against karvelm-sim and its --corrupt-write switch.
TEST(CliBackupUdp, SimulatorThatStoresAByteWronglyFailsTheWrite) {
  TTempFolder dir, data;
  TDataHomeScope dataHome(data.Path());
  auto image = Image(0x5A, 0x0102);
  const std::string file = dir.File("new.bin");
  ASSERT_TRUE(SaveConfigImageFile(file, *image).ok());
  struct Row {
    std::vector<std::string> simArgs;
    int code;
    const char* err;
  } rows[] = {
      {{"--program", "bootloader"}, 0, ""},
      {{"--program", "bootloader", "--corrupt-write", "4A123"},
       1,
       "Проверка записи не пройдена: страница 5, смещение 0x0123: записано 0xFF, считано 0x00\n"},
  };
  for (const Row& row : rows) {
    testing::TSimProcess sim(row.simArgs);
    const testing::TRunResult r = testing::RunProgram(
        KARVELM_CLI_PATH, {"--ip", "127.0.0.1", "--port", std::to_string(sim.Port()),
                           "--local-port", "0", "config", "write", "1", file});
    EXPECT_EQ(r.exitCode, row.code) << r.err;
    EXPECT_EQ(r.err, row.err);
  }
  const testing::TRunResult r = testing::RunProgram(KARVELM_CLI_PATH, {"backups"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind(data.Path() + "/KarvelMcfg/backups: 2 backups, newest first\n", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("udp  firmware 2.0.34.  config 1"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace karvelm
