// Start-up from an installed program directory: read-only files from share/ledgerwake/,
// everything written in the user's XDG directories, nothing in the installation.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "EnvOverride.h"
#include "SharedData.h"
#include "SharedTestHome.h"
#include "Table.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Tree(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    out.insert(e.path().string() + "@" +
               std::to_string(e.is_regular_file() ? fs::file_size(e.path()) : 0));
  return out;
}

class InstalledLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    FEnv.UserHome(FHome.Path("home"));
    fs::create_directories(FHome.Path("usr/bin"));
    FHome.Write("usr/share/ledgerwake/setup.ini", "[PRODUCT]\r\nurl=http://example.test/lw/\r\n");
    FHome.Write("usr/share/ledgerwake/sample/sample.db", "x");
    TTable swap;
    swap.SetDatabaseName(FHome.Path("usr/share/ledgerwake/data"));
    swap.SetTableName("swap.db");
    swap.FieldDefs().Add("Result", ftAutoInc);
    swap.FieldDefs().Add("COMPANY", ftString, 40);
    swap.FieldDefs().Add("NOTES", ftMemo, 10);
    fs::create_directories(FHome.Path("usr/share/ledgerwake/data"));
    swap.CreateTable();
  }
  std::unique_ptr<TSharedData> Start() {
    TSharedDataOptions o = FHome.Options();
    o.ProgramDir = FHome.Path("usr/bin");
    return std::make_unique<TSharedData>(o);
  }
  test::THome FHome;
  test::TEnvOverride FEnv;
};

TEST_F(InstalledLayout, ReadsTheInstallationAndWritesOnlyTheUsersDirectories) {
  const std::set<std::string> installed = Tree(FHome.Path("usr"));
  const std::string home = FHome.Path("home/");
  {
    auto sd = Start();
    ASSERT_TRUE(sd->GetSuccess()) << sd->ErrorText();
    EXPECT_TRUE(sd->Layout().IsInstalled());
    EXPECT_EQ(sd->AppExeDir(), FHome.Path("usr/bin/"));
    EXPECT_EQ(sd->SourceDir(), FHome.Path("usr/share/ledgerwake/sample/"));
    EXPECT_EQ(sd->Params().Value("prod_url"), "http://example.test/lw/");
    EXPECT_EQ(sd->LocalDir(), home + ".local/share/ledgerwake/data/");
    EXPECT_EQ(sd->Params().Value("app_tempdir"), home + ".cache/ledgerwake/");
    EXPECT_EQ(sd->ConfigFileName(), home + ".config/ledgerwake/lwconfig.ini");
    ASSERT_NE(sd->ResultTable(), nullptr);
    EXPECT_TRUE(sd->ResultTable()->Active());
    EXPECT_TRUE(fs::exists(sd->LocalDir() + "swap.mb")) << "the blob file stays with its table";
    // The user's copy of the result table takes records.
    sd->ResultTable()->Append();
    sd->ResultTable()->FieldByName("COMPANY").SetAsString("Alder Mills");
    sd->ResultTable()->Post();
  }
  EXPECT_TRUE(fs::exists(home + ".config/ledgerwake/lwconfig.ini"));
  EXPECT_TRUE(fs::is_directory(home + ".cache/ledgerwake"));
  EXPECT_EQ(Tree(FHome.Path("usr")), installed);

  // A second start keeps the user's result table instead of copying the template again.
  auto again = Start();
  ASSERT_TRUE(again->GetSuccess()) << again->ErrorText();
  EXPECT_EQ(again->ResultTable()->RecordCount(), 1);
}

// The shipped settings (which fields the record view shows) become the user's on the first
// start; from then on the user's own file is read, never replaced.
TEST_F(InstalledLayout, TheShippedSettingsAreTheFirstStartsAndThenTheUsers) {
  FHome.Write("usr/share/ledgerwake/defaults/lwconfig.ini", "[Record View]\r\nCol1=1\r\n");
  fs::permissions(FHome.Path("usr/share/ledgerwake/defaults/lwconfig.ini"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string mine = FHome.Path("home/.config/ledgerwake/lwconfig.ini");
  {
    auto sd = Start();
    ASSERT_TRUE(sd->GetSuccess()) << sd->ErrorText();
    EXPECT_EQ(sd->ConfigIni()->ReadInteger("Record View", "Col1", -1), 1);
    EXPECT_NE(fs::status(mine).permissions() & fs::perms::owner_write, fs::perms::none);
    sd->ConfigIni()->WriteString("Record View", "Col1", "7");
  }
  auto again = Start();
  EXPECT_EQ(again->ConfigIni()->ReadInteger("Record View", "Col1", -1), 7);
}

// Several first starts at once (the window and the command started together on a fresh
// account): each starts on whole copies, and no copy in progress is left behind.
TEST_F(InstalledLayout, FirstStartsAtOnceAllStartOnWholeCopies) {
  std::string settings = "[Record View]\r\nCol1=1\r\n[Padding]\r\n";
  for (int i = 0; i < 20000; ++i) settings += "Key" + std::to_string(i) + "=value\r\n";
  FHome.Write("usr/share/ledgerwake/defaults/lwconfig.ini", settings);
  std::vector<pid_t> children;
  for (int i = 0; i < 6; ++i) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      auto sd = Start();
      const bool whole =
          sd->GetSuccess() && sd->ConfigIni()->ReadString("Padding", "Key19999", "") == "value";
      ::_exit(whole ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const std::set<std::string> expected = {"lwconfig.ini", "swap.db", "swap.mb"};
  for (const std::string dir : {"home/.config/ledgerwake", "home/.local/share/ledgerwake/data"})
    for (const auto& e : fs::directory_iterator(FHome.Path(dir)))
      EXPECT_EQ(expected.count(e.path().filename().string()), 1u) << e.path();
}

TEST_F(InstalledLayout, AMissingTemplateIsReportedWithTheUsersPath) {
  fs::remove(FHome.Path("usr/share/ledgerwake/data/swap.db"));
  auto sd = Start();
  EXPECT_EQ(sd->ErrorText(), "\r\nFile not found. '" +
                                 FHome.Path("home/.local/share/ledgerwake/data/swap.db") + "'");
  EXPECT_EQ(Tree(FHome.Path("usr")).count(FHome.Path("usr/bin") + "/lwconfig.ini@0"), 0u);
}

}  // namespace
}  // namespace lw
