// Installations stay separate: directory settings relative to the program directory, and a
// start-up that creates nothing where it does not recognise an installation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "SharedData.h"
#include "SharedTestHome.h"
#include "TempDir.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

std::string Setting(const test::THome& home, const std::string& key) {
  return TIniFile(home.Path("lwconfig.ini")).ReadString("Application", key, "<absent>");
}

TEST(Installation, RelativeAbsoluteAndWindowsSettingsAreResolved) {
  struct TCase {
    std::string Stored;
    std::string Expected;  // "~/" stands for the program directory
  };
  for (const TCase& c : {TCase{"data/", "~/data/"}, TCase{"local/data/", "~/local/data/"},
                         TCase{"db\\", "~/db/"}, TCase{"/srv/lw/data/", "/srv/lw/data/"}}) {
    test::THome home;
    home.Write("lwconfig.ini", "[Application]\r\ndatadir=" + c.Stored + "\r\n");
    auto sd = home.Start();
    std::string expected = c.Expected;
    if (expected.rfind("~/", 0) == 0) expected = home.Dir() + expected.substr(2);
    EXPECT_EQ(sd->Params().Value("app_datadir"), expected) << c.Stored;
    EXPECT_EQ(sd->LocalDir(), expected) << c.Stored;
  }
}

TEST(Installation, PlacesInsideTheProgramDirectoryAreWrittenRelative) {
  test::THome home;
  home.Write("sample/sample.db", "x");
  {
    auto sd = home.Start();
    sd->Params().SetValue("app_tempdir", home.Dir());  // the program directory itself
  }
  EXPECT_EQ(Setting(home, "datadir"), "data/");
  EXPECT_EQ(Setting(home, "tempdir"), "./");
  // An absolute value from an older file: inside the program directory it becomes relative
  // at the end of the run, elsewhere it stays as it is.
  home.Write("lwconfig.ini",
             "[Application]\r\ndatadir=" + home.Path("data/") + "\r\ntempdir=/var/tmp/lw/\r\n");
  { auto sd = home.Start(); }
  EXPECT_EQ(Setting(home, "datadir"), "data/");
  EXPECT_EQ(Setting(home, "tempdir"), "/var/tmp/lw/");
  auto again = home.Start();
  EXPECT_EQ(again->Params().Value("app_tempdir"), "/var/tmp/lw/");
}

TEST(Installation, ACopiedInstallationUsesItsOwnData) {
  test::TTempDir root;
  const std::string a = root.Path() + "/A/";
  const std::string b = root.Path() + "/B/";
  fs::create_directories(a + "sample");
  std::ofstream(a + "sample/sample.db") << "x";
  auto start = [](const std::string& dir) {
    TSharedDataOptions o;
    o.ProgramDir = dir;
    o.Volumes = std::make_shared<TFixedVolumeSource>();
    o.Notifier = std::make_shared<test::TRecordingNotifier>();
    return std::make_unique<TSharedData>(o);
  };
  { auto first = start(a); }  // writes A's user settings file
  fs::copy(a, b, fs::copy_options::recursive);
  auto copy = start(b);
  EXPECT_EQ(copy->LocalDir(), b + "data/");
  EXPECT_EQ(copy->Params().Value("app_tempdir"), b + "temp/");
  EXPECT_EQ(copy->ErrorText(), "\r\nFile not found. '" + b + "data/swap.db'");
}

TEST(Installation, AMissingProgramDirectoryIsNamedAndNothingIsCreated) {
  test::TTempDir root;
  const std::string missing = root.Path() + "/nonexistent";
  TSharedDataOptions o;
  o.ProgramDir = missing;
  o.Volumes = std::make_shared<TFixedVolumeSource>();
  o.Notifier = std::make_shared<test::TRecordingNotifier>();
  {
    auto sd = std::make_unique<TSharedData>(o);
    EXPECT_EQ(sd->ErrorText(), "Initialize: program directory '" + missing + "/' does not exist");
    EXPECT_EQ(sd->ConfigIni(), nullptr);
  }
  EXPECT_FALSE(fs::exists(missing));
}

// A shared folder given as the program directory (no source table there) is left as it was
// found, user settings file included.
TEST(Installation, AFolderWithoutTheSourceTableIsLeftAlone) {
  test::THome home;
  home.Write("notes.txt", "mine");
  {
    auto sd = home.Start();
    EXPECT_FALSE(sd->GetSuccess());
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(home.Dir())) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"notes.txt"});
}

TEST(Installation, ADirectoryThatCannotBeMadeSaysWhy) {
  test::THome home;
  home.Write("sample/sample.db", "x");
  std::string reason;
  if (::geteuid() != 0) {
    fs::permissions(home.Dir(), fs::perms::owner_read | fs::perms::owner_exec);
    reason = "Permission denied";
  } else {
    // Permissions do not stop root: a file standing where the directory's parent should be.
    home.Write("lwconfig.ini", "[Application]\r\ndatadir=blocked/data/\r\n");
    home.Write("blocked", "a file");
    reason = "Not a directory";
  }
  const std::string dataDir = ::geteuid() != 0 ? home.Path("data/") : home.Path("blocked/data/");
  auto sd = home.Start();
  fs::permissions(home.Dir(), fs::perms::owner_all);
  EXPECT_EQ(sd->ErrorText(), "Initialize: cannot create directory '" + dataDir + "': " + reason);
}

}  // namespace
}  // namespace lw
