// Installations stay separate, tried as a user would: a copied program directory uses its own
// data, and a --home that is no installation is left as it was found.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "SampleHome.h"

namespace lw {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::TScratchDir;

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A program directory as installed: the program, its sample data and nothing else.
void Install(const fs::path& dir) {
  const fs::path bin = test::SampleHome();
  fs::create_directories(dir);
  fs::copy(LW_CLI_PATH, dir / "ledgerwake-cli");
  fs::copy(bin / "sample", dir / "sample", fs::copy_options::recursive);
  fs::copy(bin / "data", dir / "data", fs::copy_options::recursive);
  fs::copy(bin / "setup.ini", dir / "setup.ini");
}

TEST(CliInstall, ACopiedInstallationUsesItsOwnData) {
  if (!fs::exists(test::SampleHome() / "sample" / "sample.db"))
    GTEST_SKIP() << "no sample data next to " << LW_CLI_PATH;
  TScratchDir root("cli-install");
  Install(root.Path() / "A");
  const auto first =
      RunProgram((root / "A/ledgerwake-cli"), {"search", "--keep", "--state", "NY"}, root);
  ASSERT_EQ(first.ExitCode, 0) << first.Err;
  const std::string settings = test::ReadFile(root / "A/lwconfig.ini");
  EXPECT_NE(settings.find("datadir=data/\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("tempdir=temp/\r\n"), std::string::npos) << settings;

  fs::copy(root.Path() / "A", root.Path() / "B", fs::copy_options::recursive);
  const std::string before = test::ReadFile(root / "A/data/swap.db");
  const auto copy =
      RunProgram((root / "B/ledgerwake-cli"), {"search", "--keep", "--state", "CA"}, root);
  ASSERT_EQ(copy.ExitCode, 0) << copy.Err;
  EXPECT_EQ(test::ReadFile(root / "A/data/swap.db"), before);
  EXPECT_NE(test::ReadFile(root / "B/data/swap.db"), before);
}

TEST(CliInstall, AHomeThatIsNoInstallationIsLeftAlone) {
  TScratchDir root("cli-home");
  const std::string missing = root / "nonexistent";
  const auto none = RunProgram(LW_CLI_PATH, {"search", "--home", missing}, root);
  EXPECT_EQ(none.ExitCode, 1);
  EXPECT_NE(none.Err.find(missing), std::string::npos) << none.Err;
  EXPECT_EQ(none.Err.find("File not found"), std::string::npos) << none.Err;
  EXPECT_FALSE(fs::exists(missing));

  // A shared folder: the search fails for want of the tables and creates nothing there.
  fs::create_directories(root.Path() / "shared");
  test::WriteFileText(root / "shared/notes.txt", "mine");
  const auto shared = RunProgram(LW_CLI_PATH, {"search", "--home", root / "shared"}, root);
  EXPECT_EQ(shared.ExitCode, 1);
  EXPECT_NE(shared.Err.find("File not found"), std::string::npos) << shared.Err;
  EXPECT_EQ(Entries(root.Path() / "shared"), std::vector<std::string>{"notes.txt"});
}

TEST(CliInstall, AHomeThatCannotBeWrittenSaysSo) {
  if (!fs::exists(test::SampleHome() / "sample" / "sample.db"))
    GTEST_SKIP() << "no sample data next to " << LW_CLI_PATH;
  TScratchDir root("cli-readonly");
  const fs::path home = root.Path() / "home";
  Install(home);
  fs::remove_all(home / "data");
  std::string reason = "Permission denied";
  if (::geteuid() == 0) {
    // Permissions do not stop root: a file stands where the data directory goes.
    test::WriteFileText(home / "data", "in the way");
    reason = "File exists";
  } else {
    fs::permissions(home, fs::perms::owner_read | fs::perms::owner_exec);
  }
  const auto r = RunProgram(LW_CLI_PATH, {"search", "--home", home.string()}, root);
  fs::permissions(home, fs::perms::owner_all);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("cannot create directory '" + (home / "data/").string() + "': " + reason),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(r.Err.find("File not found"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace lw
