// Where the help command finds the manual: the current folder, beside the program, the
// installed documentation folder, the copy built in the build folder.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/ui/desktop_shell.h"
#include "qt_test_environment.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

// The layouts as the build and the install make them, from the same CMake values.
const std::string kInstalledProgram = std::string("prefix/") + KARVELM_TEST_BINDIR;
const std::string kInstalledDocument =
    std::string("prefix/") + KARVELM_TEST_DOCDIR + "/KarvelMcfg.pdf";
const std::string kBuiltProgram = std::string("build/") + KARVELM_TEST_PROGRAM_BUILD_DIR;
const std::string kBuiltDocument =
    std::string("build/") + KARVELM_TEST_MANUAL_BUILD_DIR + "/KarvelMcfg.pdf";

struct THelpLayout {
  const char* name;
  std::vector<std::string> documents;  // the copies that exist
  std::string current;                 // the current folder
  std::string program;                 // the program's folder
  std::string expected;
};

void PrintTo(const THelpLayout& layout, std::ostream* out) {
  *out << layout.name;
}

class HelpLookup : public testing::TestWithParam<THelpLayout> {};

TEST_P(HelpLookup, TakesTheFirstCopyInOrder) {
  const THelpLayout& layout = GetParam();
  TTempFolder root;
  for (const std::string& folder : {layout.current, layout.program})
    std::filesystem::create_directories(root.File(folder));
  for (const std::string& document : layout.documents) {
    std::filesystem::create_directories(std::filesystem::path(root.File(document)).parent_path());
    root.Write(document, "%PDF-1.4\n");
  }
  const QString found = FindHelpDocument(QString::fromStdString(root.File(layout.current)),
                                         QString::fromStdString(root.File(layout.program)));
  EXPECT_EQ(QDir::cleanPath(found).toStdString(), root.File(layout.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, HelpLookup,
    testing::Values(
        // A copy in the current folder is the system's own first choice.
        THelpLayout{"CurrentFolderFirst",
                    {"work/KarvelMcfg.pdf", kInstalledDocument},
                    "work",
                    kInstalledProgram,
                    "work/KarvelMcfg.pdf"},
        THelpLayout{"BesideTheProgramBeforeInstalled",
                    {kInstalledProgram + "/KarvelMcfg.pdf", kInstalledDocument},
                    "home",
                    kInstalledProgram,
                    kInstalledProgram + "/KarvelMcfg.pdf"},
        // Started from the desktop entry in the home folder.
        THelpLayout{"InstalledDocumentationFolder",
                    {kInstalledDocument},
                    "home",
                    kInstalledProgram,
                    kInstalledDocument},
        THelpLayout{"BuildFolder", {kBuiltDocument}, "home", kBuiltProgram, kBuiltDocument},
        // A folder of that name is no document.
        THelpLayout{"FolderOfTheNameSkipped",
                    {"work/KarvelMcfg.pdf/x", kInstalledDocument},
                    "work",
                    kInstalledProgram,
                    kInstalledDocument},
        // Nothing anywhere: the path beside the program, for the desktop to report.
        THelpLayout{
            "NoneFound", {}, "home", kInstalledProgram, kInstalledProgram + "/KarvelMcfg.pdf"}),
    [](const testing::TestParamInfo<THelpLayout>& info) { return info.param.name; });

// The tree that `cmake --install` made before this test (see tests/app/CMakeLists.txt).
TEST(HelpInstalled, FindsTheInstalledManual) {
  const char* root = std::getenv("KARVELM_INSTALL_ROOT");
  ASSERT_NE(root, nullptr) << "run through ctest: the install step sets KARVELM_INSTALL_ROOT";
  TTempFolder home;
  const std::string program = std::string(root) + "/" + KARVELM_TEST_BINDIR;
  const QString found =
      FindHelpDocument(QString::fromStdString(home.Path()), QString::fromStdString(program));
  const std::string expected = std::string(root) + "/" + KARVELM_TEST_DOCDIR + "/KarvelMcfg.pdf";
  EXPECT_EQ(found.toStdString(), expected);
  EXPECT_EQ(TTempFolder::Read(expected).substr(0, 5), "%PDF-");
}

}  // namespace
}  // namespace karvelm
