#include "config/config_file.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "config/config_fields.h"
#include "config/config_records.h"
#include "config/config_texts.h"
#include "config_test_util.h"

namespace karvelm {
namespace {

using testing::BlankImage;
using testing::Bytes;

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/karvelm-config-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    for (const std::string& name : Entries()) std::remove((folder + "/" + name).c_str());
    rmdir(folder.c_str());
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
      while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(dir);
    }
    return names;
  }
  static Bytes Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Store(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  std::string folder;
};

TEST_F(ConfigFileTest, SaveAndLoadTheBlankImage) {
  const std::string path = folder + "/blank.bin";
  auto image = BlankImage();
  ASSERT_TRUE(SaveConfigImageFile(path, *image).ok());
  const Bytes saved = Contents(path);
  EXPECT_EQ(saved.size(), 24299u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"blank.bin"});  // no temporary left behind

  auto read = std::make_unique<TConfigImage>();
  const TConfigFileResult result = LoadConfigImageFile(path, *read);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(read->SettingsBlock, image->SettingsBlock);
  EXPECT_EQ(SettingsWord(*read, SettingsChecksum), 776);
  for (int p = 0; p < kPageCount; ++p) {
    EXPECT_EQ(read->PageSum[p], 0xFFFF);
    EXPECT_EQ(read->PageCrc[p], 0x3FFF);
  }
  EXPECT_EQ(FileNameOnly(path), "blank.bin");
  EXPECT_EQ(FileNameOnly("blank.bin"), "blank.bin");
}

TEST_F(ConfigFileTest, SaveReplacesAnExistingFileAndKeepsItsPermissions) {
  const std::string path = folder + "/old.bin";
  Store(path, Bytes(10, 0x42));
  chmod(path.c_str(), 0640);
  auto image = BlankImage();
  ASSERT_TRUE(SaveConfigImageFile(path, *image).ok());
  EXPECT_EQ(Contents(path).size(), 24299u);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(ConfigFileTest, FailedWriteLeavesTheOldFile) {
  const std::string path = folder + "/keep.bin";
  const Bytes old(300, 0x42);
  Store(path, old);
  auto image = BlankImage();

  // Let the file system refuse writes beyond 10000 bytes in the middle of the stream.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 10000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const TConfigFileResult result = SaveConfigImageFile(path, *image);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(result.status, cfCannotWrite);
  EXPECT_EQ(result.message.rfind("Cannot write file \"" + path + "\". ", 0), 0u) << result.message;
  EXPECT_EQ(Contents(path), old);
  EXPECT_EQ(Entries(), std::vector<std::string>{"keep.bin"});
}

TEST_F(ConfigFileTest, SaveThatCannotCreateOrReplace) {
  auto image = BlankImage();
  const std::string missing = folder + "/no/such/folder.bin";
  TConfigFileResult result = SaveConfigImageFile(missing, *image);
  EXPECT_EQ(result.status, cfCannotCreate);
  EXPECT_EQ(result.message, "Cannot create file \"" + missing + "\". No such file or directory");

  // A folder in the way cannot be replaced; the temporary is cleaned up.
  const std::string taken = folder + "/taken";
  ASSERT_EQ(mkdir(taken.c_str(), 0755), 0);
  Store(taken + "/inside", {1});
  result = SaveConfigImageFile(taken, *image);
  EXPECT_EQ(result.status, cfCannotCreate);
  std::remove((taken + "/inside").c_str());
  rmdir(taken.c_str());
  EXPECT_TRUE(Entries().empty());
}

TEST_F(ConfigFileTest, LoadFailures) {
  auto image = BlankImage();
  image->PageSum.fill(7);
  const std::string missing = folder + "/missing.bin";
  TConfigFileResult result = LoadConfigImageFile(missing, *image);
  EXPECT_EQ(result.status, cfCannotOpen);
  EXPECT_EQ(result.message, "Cannot open file \"" + missing + "\". No such file or directory");
  EXPECT_EQ(image->PageSum[0], 7);  // untouched

  result = LoadConfigImageFile(folder, *image);
  EXPECT_EQ(result.status, cfCannotOpen);
  EXPECT_EQ(image->PageSum[0], 7);

  // A bad frame after a good one: the good one stays applied, the page checks are cleared.
  auto source = BlankImage();
  SetSettingsWord(*source, PunchMode, 1);
  TMemorySink sink;
  ASSERT_TRUE(WriteConfigSection(*source, 0, sink));
  Bytes badCrc = sink.bytes;
  size_t offset = 0;  // frame 5: the set-point data, after the settings chunk
  for (int frame = 0; frame < 5; ++frame) offset += 2 + (badCrc[offset] << 8 | badCrc[offset + 1]);
  badCrc[offset + 3] ^= 0xFF;
  // After the whole section: a length field of 1025, and 33 bytes for the 32-byte set-points.
  const Bytes tooLong = testing::Concat({sink.bytes, {0x04, 0x01}, Bytes(1025, 0)});
  const Bytes pastBlock =
      testing::Concat({sink.bytes, testing::EncodedFrameOf(testing::Concat(
                                       {testing::RecordBytes(RecAddress, kSetPointAddress[0], 512),
                                        testing::RecordBytes(RecData, 0, 33, Bytes(33, 0xEE)),
                                        {0}}))});
  struct Case {
    const char* what;
    Bytes bytes;
    TConfigReadStatus detail;
  } cases[] = {
      {"CRC failure", badCrc, crBadCrc},
      {"frame of 1025 bytes", tooLong, crFrameTooLong},
      {"data record past its block", pastBlock, crPastDestination},
  };
  const std::string bad = folder + "/bad.bin";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    image = BlankImage();
    image->PageSum.fill(7);
    image->PageCrc.fill(7);
    Store(bad, c.bytes);
    result = LoadConfigImageFile(bad, *image);
    EXPECT_EQ(result.status, cfBadContent);
    EXPECT_EQ(result.detail, c.detail);
    EXPECT_EQ(result.message, kOpenFileErrorText);
    EXPECT_EQ(SettingsWord(*image, PunchMode), 1);
    for (int p = 0; p < kPageCount; ++p) {
      EXPECT_EQ(image->PageSum[p], 0);
      EXPECT_EQ(image->PageCrc[p], 0);
    }
  }
}

TEST_F(ConfigFileTest, EmptyFileRecomputesThePageChecks) {
  const std::string path = folder + "/empty.bin";
  Store(path, {});
  auto image = BlankImage();
  std::fill_n(image->Page(2), kPageSize, 0);
  ASSERT_TRUE(LoadConfigImageFile(path, *image).ok());
  EXPECT_EQ(image->PageSum[2], 0);
  EXPECT_EQ(image->PageCrc[2], 0x6FFF);
  EXPECT_EQ(image->PageSum[3], 0xFFFF);
  EXPECT_EQ(SettingsWord(*image, RamSaveMode), 1);
}

}  // namespace
}  // namespace karvelm
