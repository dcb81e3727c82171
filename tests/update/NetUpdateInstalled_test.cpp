// The engine in an installed layout: an update that would change the installation is refused
// as a whole before anything is shown or downloaded; the rest of the update goes on as in a
// portable copy. And the updater is found where the layout keeps it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "EngineFixture.h"

namespace lw {
namespace {

namespace fs = std::filesystem;
using test::Exists;
using test::ReadFile;
using test::TEngineFixture;
using test::WriteFile;
using TIds = std::vector<int>;

class InstalledTest : public TEngineFixture {
 protected:
  void SetUp() override {
    TEngineFixture::SetUp();
    if (HasFatalFailure()) return;
    Bin = InstalledBin();
    Engine.Layout = DecideLayout(Bin);
    ASSERT_TRUE(Engine.Layout.IsInstalled());
    WriteFile(Root("app"), "new program");
    WriteFile(Root("notes.txt"), "What is new");
    Engine.OnWhatsNewDialog = [this](const TWhatsNewDialog&) { return ++Dialogs > 0; };
  }
  // A control file with a what's-new text, a remembered date and one file into `targetDir`.
  void ServeInto(const std::string& targetDir, const std::string& extra = "") {
    Serve("u.inf", "[update]\ndate=31/12/2001\n" + extra + "[action]\nquery=Go on?\n" +
                       "[whatsnew]\nfile=" + Url("notes.txt") +
                       "\n[files]\ncount=1\n[file1]\ndescr=App;new\nurl=" + Url("app") +
                       "\ntargetdir=" + targetDir + "\n");
    Engine.LastURLEntry = {true, "Software\\Test", "Update"};
  }
  std::string Refusal(const std::string& dir) const {
    return "[16 - 0] This update would change files in " + dir +
           ": an installed copy is updated by the system's package manager";
  }

  std::string Bin;
  int Dialogs = 0;
};

TEST_F(InstalledTest, AnUpdateOfTheProgramDirectoryIsRefusedBeforeAnything) {
  // "{APP}" is the program directory, wherever the program was started from.
  ServeInto("{APP}\\");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 929, 951, 949})) << AllLines();
  EXPECT_EQ(Lines[6], Refusal(Bin));
  EXPECT_TRUE(Questions.empty());
  EXPECT_EQ(Dialogs, 0);
  EXPECT_FALSE(Exists(Bin + "app"));
  // Not updated, so not remembered: the next run offers the same update again.
  EXPECT_EQ(Engine.UpdateDateGet(), kNoUpdateDate);

  // The same in a dry run, and for the other directories of the installation.
  Engine.DryRun = true;
  for (const std::string dir : {"usr/share/ledgerwake/sample", "usr/libexec/ledgerwake"}) {
    Lines.clear();
    ServeInto(WorkDir() + "/" + dir);
    Engine.DoUpdate();
    ASSERT_EQ(Lines.size(), 8u) << AllLines();
    EXPECT_EQ(Lines[6], Refusal(fs::canonical(WorkDir()).string() + "/" + dir + "/"));
  }
}

TEST_F(InstalledTest, AProgramRestartIsRefusedWhereverItsFilesGo) {
  ServeInto("{TMP}\\", "[application]\nappupdate=1\nappname={APP}\\ledgerwake\nappcomps=app\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 929, 951, 949})) << AllLines();
  EXPECT_EQ(Lines[6], Refusal(Bin));
  EXPECT_FALSE(Engine.RestartWanted());
  EXPECT_FALSE(Exists(FTmp.File("app")));
}

// A control file that always names the program refuses nothing once the installed copy is
// up to date, nor when what it offers is no part of the program.
TEST_F(InstalledTest, ARestartThatWouldReplaceNothingIsNoRefusal) {
  const std::string restart = "[application]\nappupdate=1\nappname={APP}\\ledgerwake\n";
  WriteFile(Bin + "app", "new program");
  Serve("u.inf", "[update]\n" + restart + "appcomps=app\n[files]\ncount=1\n[file1]\nurl=" +
                     Url("app") + "\ntargetdir={APP}\\\nnewsize=11\nlocalversion={APP}\\app\n");
  Engine.DoUpdate();
  EXPECT_EQ(std::count(Ids.begin(), Ids.end(), 951), 0) << AllLines();
  EXPECT_EQ(Ids.back(), 949) << AllLines();

  Ids.clear();
  ServeInto(WorkDir() + "/docs", restart + "appcomps=other\n");
  Engine.DoUpdate();
  EXPECT_EQ(std::count(Ids.begin(), Ids.end(), 951), 0) << AllLines();
  EXPECT_EQ(ReadFile(Work("docs/app")), "new program");
}

TEST_F(InstalledTest, FilesOutsideTheInstallationAreUpdatedAsUsual) {
  ServeInto(WorkDir() + "/docs");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 928, 929, 936, 937, 915, 943, 945, 915, 948, 949}))
      << AllLines();
  EXPECT_EQ(ReadFile(Work("docs/app")), "new program");
  EXPECT_EQ(Dialogs, 1);
  EXPECT_EQ(Engine.UpdateDateGet(), (TUpdateDate{2001, 12, 31}));
  // The what's-new text went through a file of its own in the temporary directory, and
  // nothing of the run is left there or in the current directory.
  EXPECT_TRUE(fs::is_empty(FTmp.Path()));
  EXPECT_FALSE(Exists("./whatsnew.txt"));

  // An entry for the program directory that is up to date changes nothing there.
  WriteFile(Bin + "app", "old program");
  Ids.clear();
  Serve("u.inf", "[update]\n[files]\ncount=1\n[file1]\nurl=" + Url("app") +
                     "\ntargetdir={APP}\\\nnewsize=11\nlocalversion={APP}\\app\n");
  Engine.DoUpdate();
  EXPECT_EQ(Ids, (TIds{918, 921, 915, 926, 929, 943, 948, 949})) << AllLines();
  EXPECT_EQ(ReadFile(Bin + "app"), "old program");
}

// A portable copy keeps the control file's own places, the program directory among them.
TEST_F(InstalledTest, APortableCopyIsUpdatedInItsProgramDirectory) {
  Engine.Layout = DecideLayout(WorkDir());
  ASSERT_FALSE(Engine.Layout.IsInstalled());
  ServeInto(WorkDir());
  Engine.DoUpdate();
  EXPECT_EQ(ReadFile(Work("app")), "new program") << AllLines();
  EXPECT_EQ(std::count(Ids.begin(), Ids.end(), 951), 0);
}

// The updater is taken from the layout's updater directory: libexec/ledgerwake/ of an
// installation, the program directory of a portable copy.
TEST_F(InstalledTest, TheUpdaterComesFromTheLayout) {
  const std::string installedUpd = WorkDir() + "/usr/libexec/ledgerwake/upd";
  WriteFile(installedUpd, "#!/bin/sh\n# installed\n");
  EXPECT_TRUE(Engine.ExtractUpdateResource());
  EXPECT_EQ(ReadFile(FTmp.File("upd")), "#!/bin/sh\n# installed\n");
  struct stat st {};
  ASSERT_EQ(::stat(FTmp.File("upd").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);

  fs::create_directories(Work("portable"));
  WriteFile(Work("portable/upd"), "#!/bin/sh\n# portable\n");
  Engine.Layout = DecideLayout(Work("portable"));
  EXPECT_TRUE(Engine.ExtractUpdateResource());
  EXPECT_EQ(ReadFile(FTmp.File("upd")), "#!/bin/sh\n# portable\n");

  // None where the layout says: nothing to place (the restart then reports 950).
  fs::remove(Work("portable/upd"));
  EXPECT_FALSE(Engine.ExtractUpdateResource());
}

}  // namespace
}  // namespace lw
