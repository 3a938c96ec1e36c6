#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "temp_folder.h"
#include "update/firmware_image.h"
#include "update/image_resolver.h"

namespace karvelm {
namespace {

using Bytes = std::vector<uint8_t>;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ImageFile, WholeFileIsReadUnchanged) {
  TTempFolder folder;
  const std::string bytes("\x00\x01\xFF\r\n\x1A", 6);
  const TImageOpenResult result = ReadImageFile(folder.Write("a.upm", bytes));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.image.bytes, Bytes(bytes.begin(), bytes.end()));
  EXPECT_TRUE(ReadImageFile(folder.Write("empty.upm", "")).ok) << "an empty file is an image too";
}

// Whatever cannot give an image gives a message naming the file and the reason, at once.
TEST(ImageFile, UnreadableSourcesAreRefusedWithTheirReason) {
  TTempFolder folder;
  const std::string fifo = folder.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string locked = folder.Write("locked.upd", "x");
  ::chmod(locked.c_str(), 0);
  struct TCase {
    std::string path;
    std::string reason;
  };
  std::vector<TCase> cases = {
      {folder.File("gone.upd"), "No such file"},
      {folder.Path(), "папка"},
      {"/dev/zero", "не обычный файл"},
      {fifo, "не обычный файл"},
  };
  // Permissions do not hold back the superuser.
  if (::geteuid() != 0) cases.push_back({locked, "Permission denied"});
  for (const TCase& c : cases) {
    const TImageOpenResult result = ReadImageFile(c.path);
    EXPECT_FALSE(result.ok) << c.path;
    EXPECT_TRUE(Contains(result.error, c.path)) << result.error;
    EXPECT_TRUE(Contains(result.error, c.reason)) << result.error;
  }
}

TEST(ImageResolver, SourcesAreAskedInOrderAndAMissingImageNamesEveryPlace) {
  TTempFolder first, second;
  auto memory = std::make_shared<TMemoryImageSource>("встроенные ресурсы");
  memory->Add(kImageBosi, {1, 2, 3});
  TImageResolver resolver;
  resolver.Append(std::make_shared<TFolderImageSource>(first.Path()));
  resolver.Append(std::make_shared<TFolderImageSource>(second.Path()));
  resolver.Prepend(memory);
  first.Write(kImageBosi, "from a file");
  second.Write(kImagePanelKarvel, "PNK");
  std::filesystem::create_directory(first.File(kImageExtModule));

  TImageOpenResult result = resolver.OpenBuiltIn(kImageBosi);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.image.bytes, (Bytes{1, 2, 3})) << "the source in front wins";
  result = resolver.OpenBuiltIn(kImagePanelKarvel);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.image.bytes, (Bytes{'P', 'N', 'K'}));

  result = resolver.OpenBuiltIn(kImageExtModule);
  EXPECT_FALSE(result.ok) << "a folder under the image's name is reported, not skipped";
  EXPECT_TRUE(Contains(result.error, "папка")) << result.error;

  result = resolver.OpenBuiltIn(kImageModule);
  EXPECT_FALSE(result.ok);
  for (const std::string& part : {std::string(kImageModule), std::string("встроенные ресурсы"),
                                  first.File(kImageModule), second.File(kImageModule)})
    EXPECT_TRUE(Contains(result.error, part)) << result.error;

  result = resolver.Open({second.File(kImagePanelKarvel), true});
  ASSERT_TRUE(result.ok) << "a file reference is read as a path";
  EXPECT_FALSE(resolver.Open({kImagePanelKarvel, true}).ok) << "not a built-in name";
}

TEST(ImageResolver, DefaultLooksBesideTheExecutableThenInTheDataFolder) {
  TImageResolver resolver = DefaultImageResolver();
  const TImageOpenResult result = resolver.OpenBuiltIn("NoSuchImage");
  ASSERT_FALSE(result.ok);
  const std::string beside = ExecutableFolder();
  ASSERT_FALSE(beside.empty());
  const auto besideAt = result.error.find(beside + "/NoSuchImage");
  const auto installedAt = result.error.find(InstalledImageFolder() + "/NoSuchImage");
  ASSERT_NE(besideAt, std::string::npos) << result.error;
  ASSERT_NE(installedAt, std::string::npos) << result.error;
  EXPECT_LT(besideAt, installedAt);
}

}  // namespace
}  // namespace karvelm
