// Backups before an overwrite and the read-back check after a write, against the simulated
// module in process: what is saved, under which name, how many are kept, and which stored
// byte the check names when the module keeps something else than it was sent.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/clock.h"
#include "config/backup_store.h"
#include "config/config_backup.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/koi7.h"
#include "config/write_check.h"
#include "link/ext_intf.h"
#include "link_state_scope.h"
#include "sim/module_sim.h"
#include "sim/sim_transport.h"
#include "temp_folder.h"
#include "test_names.h"

namespace karvelm {
namespace {

// One environment variable set (or unset) for a scope, and put back afterwards.
class TEnvScope {
 public:
  TEnvScope(const char* name, const char* value) : FName(name) {
    if (const char* old = ::getenv(name)) FOld = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~TEnvScope() { FOld ? ::setenv(FName, FOld->c_str(), 1) : ::unsetenv(FName); }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

std::unique_ptr<TConfigImage> NoisyImage(uint32_t seed) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  std::mt19937 random(seed);
  for (uint8_t& byte : image->MemoryImage) byte = static_cast<uint8_t>(random());
  SetSettingsWord(*image, MemLayout, 7);
  SetConfigName(*image, Utf8ToCp1251("КООРДИНАТНО-РАСТОЧНОЙ 2Е450"));
  for (int i = 0; i < kSetPointWords; ++i)
    SetSetPointWord(*image, i, static_cast<uint16_t>(seed * 31 + i));
  return image;
}

bool SameBlocks(const TConfigImage& a, const TConfigImage& b) {
  return a.SettingsBlock == b.SettingsBlock && a.SetPointBlock == b.SetPointBlock &&
         a.MemoryImage == b.MemoryImage;
}

std::chrono::system_clock::time_point UtcTime(int year, int month, int day, int hour, int minute,
                                              int second, int millis) {
  tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  return std::chrono::system_clock::from_time_t(::timegm(&fields)) +
         std::chrono::milliseconds(millis);
}

// The bootloader of a simulated module behind ActiveLink, on a fake clock.
class SimLoaderFixture : public ::testing::Test {
 protected:
  void Open(TIntfType kind, TSimFaults faults = {}) {
    linkState.reset();
    linkState.emplace(&clock);
    TSimConfig config;
    config.program = spLoader;
    config.faults = faults;
    sim = std::make_unique<TModuleSim>(config, &clock);
    OpenLink(std::make_unique<TExtIntf>(kind, std::make_unique<TSimTransport>(*sim, kind)));
  }
  // Stored configuration configIndex as an image.
  std::unique_ptr<TConfigImage> Stored(int configIndex) {
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    sim->Storage().Store(configIndex, *image);
    return image;
  }

  TTempFolder dir;
  TEnvScope dataHome{"XDG_DATA_HOME", dir.Path().c_str()};
  TFakeClock clock;
  std::unique_ptr<TModuleSim> sim;
  std::optional<TLinkStateScope> linkState;  // after the module: the link goes first
};

class BackupOnSim : public SimLoaderFixture, public ::testing::WithParamInterface<TIntfType> {
 protected:
  void SetUp() override { Open(GetParam()); }
};

TEST_P(BackupOnSim, BackupHoldsWhatTheModuleStoredNamedByLinkVersionAndNumber) {
  for (int config = 0; config < kConfigCount; ++config)
    sim->Storage().Load(config, *NoisyImage(10 + config));
  const std::string folder = BackupFolder();
  EXPECT_EQ(folder, dir.Path() + "/KarvelMcfg/backups");
  const TBackupResult backup = BackupConfiguration(1, folder);
  ASSERT_TRUE(backup.ok) << backup.reason;

  auto saved = std::make_unique<TConfigImage>();
  ResetConfigImage(*saved);
  ASSERT_TRUE(LoadConfigImageFile(backup.path, *saved).ok());
  auto held = Stored(1);
  SealSettingsBlock(*held);  // a saved file always carries its settings sealed
  EXPECT_TRUE(SameBlocks(*saved, *held)) << "the backup is configuration 2, byte for byte";

  const auto listed = ListBackups(folder);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].path, backup.path);
  EXPECT_EQ(listed[0].link, LinkOptionName(GetParam()));
  EXPECT_EQ(listed[0].firmware, "2.0.34.") << "the firmware's version, told by the bootloader";
  EXPECT_EQ(listed[0].configNumber, 2);
}

TEST_P(BackupOnSim, BlockThatCannotBeReadLeavesNoBackup) {
  TSimFaults faults;
  faults.failReadAt = PageAddress(0, 7);
  Open(GetParam(), faults);
  const TBackupResult backup = BackupConfiguration(0, BackupFolder());
  EXPECT_FALSE(backup.ok);
  EXPECT_TRUE(backup.loaderAnswered);
  EXPECT_NE(backup.reason.find("page 7"), std::string::npos) << backup.reason;
  EXPECT_TRUE(ListBackups(BackupFolder()).empty());

  const int both[] = {0, 1};
  EXPECT_EQ(BackUpForOverwrite(both),
            "Не удалось сохранить резервную копию конфигурации 1: Ошибка считывания настроек. "
            "(page 7)");
}

INSTANTIATE_TEST_SUITE_P(LinkKinds, BackupOnSim, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

using BackupRetention = SimLoaderFixture;

TEST_F(BackupRetention, KeepsTheNewestHundred) {
  Open(itUDP);
  const std::string folder = BackupFolder();
  std::filesystem::create_directories(folder);
  // 104 older backups, a minute apart, and files that are not backups.
  std::vector<std::string> old;
  for (int i = 0; i < 104; ++i) {
    TBackupInfo info;
    info.time = UtcTime(2001, 2, 3, 4, 0, 0, 0) + std::chrono::minutes(i);
    info.configNumber = 1 + i % 2;
    old.push_back(folder + "/" + BackupFileName(info));
    std::ofstream(old.back()) << "old";
  }
  std::ofstream(folder + "/notes.txt") << "keep";
  std::ofstream(folder + "/20010203-040000-000_udp_fw-none_cfg3.bin") << "keep";

  const TBackupResult backup = BackupConfiguration(0, folder);
  ASSERT_TRUE(backup.ok) << backup.reason;
  const auto listed = ListBackups(folder);
  ASSERT_EQ(listed.size(), kBackupsKept);
  EXPECT_EQ(listed.front().path, backup.path) << "newest first";
  EXPECT_EQ(listed.back().path, old[5]);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(std::filesystem::exists(old[i])) << i;
  EXPECT_TRUE(std::filesystem::exists(folder + "/notes.txt"));
  EXPECT_TRUE(std::filesystem::exists(folder + "/20010203-040000-000_udp_fw-none_cfg3.bin"));

  EXPECT_EQ(PruneBackups(folder, 3), 97u);
  EXPECT_EQ(ListBackups(folder).size(), 3u);
}

TEST(BackupNames, NameTellsTimeLinkVersionAndNumberAndListsBack) {
  TEnvScope zone("TZ", "UTC");
  ::tzset();
  struct Row {
    TIntfType link;
    std::optional<uint32_t> version;
    int config;
    const char* name;
    const char* firmware;
  } rows[] = {
      {itUDP, 0x02002200, 1, "20240229-235959-007_udp_fw-2.0.34_cfg1.bin", "2.0.34."},
      {itHID_OLD, 0x01032700, 2, "20240229-235959-007_usb1_fw-1.3.39_cfg2.bin", "1.3.39."},
      {itHID_NEW, std::nullopt, 2, "20240229-235959-007_usb2_fw-none_cfg2.bin", ""},
  };
  TTempFolder dir;
  for (const Row& row : rows) {
    TBackupInfo info{UtcTime(2024, 2, 29, 23, 59, 59, 7), row.link, row.version, row.config};
    const std::string name = BackupFileName(info);
    EXPECT_EQ(name, row.name);
    TTempFolder folder;
    folder.Write(name, "x");
    const auto listed = ListBackups(folder.Path());
    ASSERT_EQ(listed.size(), 1u) << name;
    EXPECT_EQ(listed[0].time, "2024-02-29 23:59:59.007");
    EXPECT_EQ(listed[0].link, LinkOptionName(row.link));
    EXPECT_EQ(listed[0].firmware, row.firmware);
    EXPECT_EQ(listed[0].configNumber, row.config);
    EXPECT_EQ(listed[0].bytes, 1u);
  }
}

TEST(BackupNames, FolderFollowsTheDataHomeRules) {
  struct Row {
    const char* dataHome;
    const char* home;
    const char* folder;
  } rows[] = {
      {"/data", "/home/u", "/data/KarvelMcfg/backups"},
      {nullptr, "/home/u", "/home/u/.local/share/KarvelMcfg/backups"},
      {"relative/data", "/home/u", "/home/u/.local/share/KarvelMcfg/backups"},
      {"", "/home/u", "/home/u/.local/share/KarvelMcfg/backups"},
      {nullptr, nullptr, ""},
  };
  for (const Row& row : rows) {
    TEnvScope dataHome("XDG_DATA_HOME", row.dataHome);
    TEnvScope home("HOME", row.home);
    EXPECT_EQ(BackupFolder(), row.folder) << (row.dataHome ? row.dataHome : "(unset)");
  }
}

// The read-back check against a module that stores one byte wrongly.
struct TCorruptRow {
  const char* what;
  int config;
  uint32_t address;  // storage address stored inverted
  TCheckedBlock block;
  int page;
  size_t offset;
  const char* place;  // what the text says before the offset
};

class WriteCheckOnSim : public BackupOnSim {};

TEST_P(WriteCheckOnSim, FaithfulModulePasses) {
  for (int config = 0; config < kConfigCount; ++config) {
    auto image = NoisyImage(3 + config);
    ASSERT_TRUE(WriteConfiguration(*image, config).ok());
    const TWriteCheck check = CheckWrittenConfiguration(*image, config);
    EXPECT_TRUE(check.ok()) << WriteCheckFailureText(check);
  }
}

TEST_P(WriteCheckOnSim, ByteStoredWronglyIsNamedByBlockAndOffset) {
  const TCorruptRow rows[] = {
      {"name", 0, kSettingsAddress[0] + ConfigNameOffset + 3, cbSettings, 0, 203,
       "блок настроек, смещение 0x00CB"},
      {"field", 1, kSettingsAddress[1] + 2 * WatchdogMode, cbSettings, 0, 38,
       "блок настроек, смещение 0x0026"},
      {"set-point", 1, kSetPointAddress[1] + 31, cbSetPoints, 0, 31,
       "блок уставок, смещение 0x001F"},
      {"page 5", 0, PageAddress(0, 5) + 0x123, cbPage, 5, 0x123, "страница 5, смещение 0x0123"},
      {"last byte", 1, PageAddress(1, 15) + 8191, cbPage, 15, 8191, "страница 15, смещение 0x1FFF"},
  };
  for (const TCorruptRow& row : rows) {
    SCOPED_TRACE(row.what);
    TSimFaults faults;
    faults.corruptWriteAt = row.address;
    Open(GetParam(), faults);
    auto image = NoisyImage(5);
    ASSERT_TRUE(WriteConfiguration(*image, row.config).ok()) << "the module acknowledged all";
    const TWriteCheck check = CheckWrittenConfiguration(*image, row.config);
    ASSERT_FALSE(check.ok());
    EXPECT_TRUE(check.readOk);
    EXPECT_EQ(check.block, row.block);
    EXPECT_EQ(check.page, row.page);
    EXPECT_EQ(check.offset, row.offset);
    EXPECT_EQ(check.stored, static_cast<uint8_t>(~check.sent));
    const std::string text = WriteCheckFailureText(check);
    EXPECT_EQ(text.rfind(std::string("Проверка записи не пройдена: ") + row.place, 0), 0u) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(LinkKinds, WriteCheckOnSim, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

TEST(WriteCheckText, NamesFieldsAndWhatCouldNotBeRead) {
  auto sent = NoisyImage(1);
  auto stored = NoisyImage(1);
  EXPECT_TRUE(CompareWritten(*sent, *stored).ok());

  stored->SettingsBlock[2 * WatchdogMode] ^= 0x01;
  EXPECT_EQ(WriteCheckFailureText(CompareWritten(*sent, *stored)),
            "Проверка записи не пройдена: блок настроек, смещение 0x0026: записано 0x00, "
            "считано 0x01 (WatchdogMode)");
  // Only the first difference is told.
  stored->Page(9)[0] ^= 0xFF;
  EXPECT_EQ(CompareWritten(*sent, *stored).block, cbSettings);

  auto name = NoisyImage(1);
  name->SettingsBlock[ConfigNameOffset] = 'X';
  EXPECT_NE(WriteCheckFailureText(CompareWritten(*sent, *name)).find("(имя конфигурации)"),
            std::string::npos);

  TWriteCheck unread;
  unread.unread = "страница 3 не считана";
  EXPECT_EQ(WriteCheckFailureText(unread), "Проверка записи не пройдена: страница 3 не считана");
}

// The backup's read and the check's read each tell their bytes to whoever draws a progress
// line: never backwards, of one total, up to all of it.
TEST_F(BackupRetention, BackupAndCheckReportTheirReadsBytes) {
  Open(itUDP);
  auto image = NoisyImage(4);
  ASSERT_TRUE(WriteConfiguration(*image, 0).ok());
  struct TCall {
    uint64_t done, total;
  };
  std::vector<TCall> backupCalls, checkCalls;
  const TBackupResult backup =
      BackupConfiguration(0, BackupFolder(), {}, [&](uint64_t done, uint64_t total) {
        backupCalls.push_back({done, total});
      });
  ASSERT_TRUE(backup.ok) << backup.reason;
  const TWriteCheck check =
      CheckWrittenConfiguration(*image, 0, {}, [&](uint64_t done, uint64_t total) {
        checkCalls.push_back({done, total});
      });
  ASSERT_TRUE(check.ok()) << WriteCheckFailureText(check);
  for (const auto* calls : {&backupCalls, &checkCalls}) {
    ASSERT_GT(calls->size(), 16u) << "at least one report per page";
    const uint64_t total = calls->front().total;
    EXPECT_GT(total, uint64_t{kPageCount} * kPageSize);
    for (size_t i = 0; i < calls->size(); ++i) {
      EXPECT_EQ((*calls)[i].total, total) << i;
      if (i > 0) {
        EXPECT_GE((*calls)[i].done, (*calls)[i - 1].done) << i;
      }
    }
    EXPECT_EQ(calls->back().done, total);
  }
}

TEST_F(BackupRetention, CheckThatCannotReadBackFails) {
  TSimFaults faults;
  faults.failReadAt = PageAddress(1, 3);
  Open(itHID_NEW, faults);
  auto image = NoisyImage(2);
  ASSERT_TRUE(WriteConfiguration(*image, 1).ok());
  const TWriteCheck check = CheckWrittenConfiguration(*image, 1);
  EXPECT_FALSE(check.ok());
  EXPECT_EQ(WriteCheckFailureText(check), "Проверка записи не пройдена: страница 3 не считана");
}

}  // namespace
}  // namespace karvelm
