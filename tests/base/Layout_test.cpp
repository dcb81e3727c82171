// The layout decision: what makes a program directory portable or installed, and where each
// kind reads and writes.
#include "Layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "EnvOverride.h"
#include "TempDir.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { FEnv.UserHome(FRoot.Path() + "/home"); }
  std::string Dir(const std::string& relative) {
    fs::create_directories(FRoot.Path() + "/" + relative);
    return FRoot.Path() + "/" + relative + "/";
  }
  void Touch(const std::string& file) { std::ofstream(file) << "[PRODUCT]\r\n"; }

  test::TTempDir FRoot;
  test::TEnvOverride FEnv;
};

TEST_F(LayoutTest, AWritableProgramDirectoryKeepsEverythingBesideIt) {
  const std::string bin = Dir("portable");
  Touch(bin + "setup.ini");
  const TLayout l = DecideLayout(bin);
  EXPECT_EQ(l.Kind, TLayout::Portable);
  EXPECT_EQ(l.ReadOnlyDir, bin);
  EXPECT_EQ(l.ConfigDir, bin);
  EXPECT_EQ(l.NewsDir, bin);
  EXPECT_EQ(l.DataDir, bin + "data/");
  EXPECT_EQ(l.TempDir, bin + "temp/");
  EXPECT_EQ(l.UpdaterDir, bin);
  EXPECT_NE(l.Description().find("layout: portable\n"), std::string::npos);
}

// Also when the installation could be written (root, or a prefix in the user's home): an
// installed tree never collects user files in its bin/.
TEST_F(LayoutTest, TheBinOfAnInstallationUsesShareAndTheXdgDirectories) {
  const std::string bin = Dir("usr/bin");
  const std::string share = Dir("usr/share/ledgerwake");
  Touch(share + "setup.ini");
  const std::string home = FRoot.Path() + "/home/";

  TLayout l = DecideLayout(bin.substr(0, bin.size() - 1));
  EXPECT_EQ(l.Kind, TLayout::Installed);
  EXPECT_EQ(l.ProgramDir, bin);
  EXPECT_EQ(l.ReadOnlyDir, share);
  EXPECT_EQ(l.ConfigDir, home + ".config/ledgerwake/");
  EXPECT_EQ(l.DataDir, home + ".local/share/ledgerwake/data/");
  EXPECT_EQ(l.NewsDir, home + ".local/share/ledgerwake/");
  EXPECT_EQ(l.TempDir, home + ".cache/ledgerwake/");
  EXPECT_EQ(l.UpdaterDir, FRoot.Path() + "/usr/libexec/ledgerwake/");
  EXPECT_NE(l.Description().find("layout: installed\n"), std::string::npos);
  EXPECT_NE(l.Description().find("  updater:   " + l.UpdaterDir + "\n"), std::string::npos);

  // The XDG variables move the user's directories; a relative value is ignored.
  FEnv.Set("XDG_CONFIG_HOME", "/x/config");
  FEnv.Set("XDG_DATA_HOME", "/x/data/");
  FEnv.Set("XDG_CACHE_HOME", "relative/cache");
  l = DecideLayout(bin);
  EXPECT_EQ(l.ConfigDir, "/x/config/ledgerwake/");
  EXPECT_EQ(l.DataDir, "/x/data/ledgerwake/data/");
  EXPECT_EQ(l.TempDir, home + ".cache/ledgerwake/");

  // A bin/ that holds its own setup file is a portable copy that happens to sit there.
  Touch(bin + "setup.ini");
  EXPECT_EQ(DecideLayout(bin).Kind, TLayout::Portable);
}

TEST_F(LayoutTest, AReadOnlyProgramDirectoryWithoutShareReadsFromItself) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  const std::string medium = Dir("medium");
  Touch(medium + "setup.ini");
  ::chmod(medium.c_str(), 0555);
  const TLayout l = DecideLayout(medium);
  ::chmod(medium.c_str(), 0755);
  EXPECT_EQ(l.Kind, TLayout::Installed);
  EXPECT_EQ(l.ReadOnlyDir, medium);
  EXPECT_EQ(l.UpdaterDir, medium);
  EXPECT_EQ(l.DataDir, FRoot.Path() + "/home/.local/share/ledgerwake/data/");
}

}  // namespace
}  // namespace lw
