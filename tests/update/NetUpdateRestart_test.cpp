// The restart through the updater program, down to a program that replaces itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EngineFixture.h"

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::TEngineFixture;
using test::WriteFile;

class RestartTest : public TEngineFixture {
 protected:
  // A stand-in updater that records its arguments, one per line.
  void FakeUpdater() {
    WriteFile(Work("fake-upd"),
              "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + Work("args.txt") + "\n");
    ::chmod(Work("fake-upd").c_str(), 0755);
    Engine.UpdaterProgram = Work("fake-upd");
  }
  void ServeAppUpdate(const std::string& appName, const std::string& extra = "") {
    WriteFile(Root("app.exe_new"), "new program");
    Serve("u.inf", "[update]\n[application]\nappupdate=1\nappname=" + appName +
                       "\nappcomps=app.exe_new\n" + extra + "[files]\ncount=1\n[file1]\nurl=" +
                       Url("app.exe_new") + "\ntargetdir=" + WorkDir() + "\n");
    Engine.UpdateUpdate = nuuSilent;
    Engine.OnAppDoClose = [this] { ++Closed; };
  }
  std::string WaitForFile(const std::string& path, const std::string& needle) {
    for (int i = 0; i < 250; ++i) {
      const std::string text = ReadFile(path);
      if (text.find(needle) != std::string::npos) return text;
      ::usleep(20000);
    }
    return ReadFile(path);
  }
  int Closed = 0;
};

// Blanks in the application's name and in the temporary directory the updater runs from.
TEST_F(RestartTest, BlanksInNamesReachTheUpdaterIntact) {
  const std::string tmp = FTmp.File("with blank");
  ASSERT_EQ(::mkdir(tmp.c_str(), 0700), 0);
  ::setenv("TMPDIR", tmp.c_str(), 1);
  FakeUpdater();
  ServeAppUpdate("/opt/My App/app");
  Engine.OnAppRestart = [](bool& allow) { allow = true; };
  Engine.DoUpdate();
  EXPECT_TRUE(Exists(Work("app.exe_new")));
  EXPECT_EQ(Closed, 1);
  EXPECT_EQ(Lines.back().find("[9 - "), std::string::npos) << Lines.back();
  const std::string args = WaitForFile(Work("args.txt"), "app.exe_new");
  EXPECT_EQ(args, std::to_string(::getpid()) + "\n/opt/My App/app\napp.exe_new\n");
  EXPECT_TRUE(Exists(tmp + "/upd"));  // the updater was placed in the temporary directory
}

TEST_F(RestartTest, RefusalsAndTheQuestion) {
  FakeUpdater();
  ServeAppUpdate(Work("app"));
  Engine.OnAppRestart = [](bool& allow) { allow = false; };
  Engine.DoUpdate();
  EXPECT_EQ(Closed, 0);
  // Without a restart handler the engine asks, unless the control file says silent.
  Engine.OnAppRestart = nullptr;
  Answer = false;
  Engine.DoUpdate();
  EXPECT_EQ(Questions.back(), "Shutdown application to update executable files ?");
  EXPECT_EQ(Closed, 0);
  Questions.clear();
  ServeAppUpdate(Work("app"), "silentrestart=1\n");
  Engine.DoUpdate();
  EXPECT_TRUE(Questions.empty());
  EXPECT_EQ(Closed, 1);
  // appupdate without a downloaded component: no restart at all.
  Closed = 0;
  Serve("u.inf", "[update]\n[application]\nappupdate=1\nappname=" + Work("app") +
                     "\nsilentrestart=1\nappcomps=other\n");
  Engine.DoUpdate();
  EXPECT_EQ(Closed, 0);
}

TEST_F(RestartTest, UpdaterThatCannotStartIs950AndTheAppStillCloses) {
  Engine.UpdaterProgram = Work("no-such-updater");
  ServeAppUpdate(Work("app"), "silentrestart=1\n");
  Engine.DoUpdate();
  EXPECT_EQ(Closed, 1);
  EXPECT_EQ(Lines.back(), "[9 - 2] Failed to spawn updater process : " + Work("no-such-updater") +
                              ": No such file or directory");
  // Nothing else that lies under the updater's name is run instead.
  EXPECT_FALSE(Exists(FTmp.File("upd")));
}

// A running program of ours downloads its next version, hands over to the real updater and
// ends; the updater swaps the file and starts the new version, which says so.
TEST_F(RestartTest, ProgramReplacesItselfWhileRunning) {
  const std::string prog = Work("testprog"), out = Work("out.txt");
  WriteFile(prog, ReadFile(LW_TESTPROG_V1));
  ::chmod(prog.c_str(), 0755);
  WriteFile(Root("testprog_new"), ReadFile(LW_TESTPROG_V2));
  Serve("u.inf", "[update]\n[application]\nappupdate=1\nappname=" + prog + " " + out +
                     " again again\nappcomps=" + prog +
                     "_new\nsilentrestart=1\n"
                     "[files]\ncount=1\n[file1]\nurl=" +
                     Url("testprog_new") + "\ntargetdir=" + WorkDir() + "\n");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(prog.c_str(), prog.c_str(), out.c_str(), Engine.URL.c_str(), LW_UPD_PATH,
            PublicKey().c_str(), nullptr);
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(out);
  const std::string text = WaitForFile(out, "version 2");
  EXPECT_EQ(text.substr(0, 10), "version 1\n");
  EXPECT_NE(text.find("[3 - 0] Closed Internet connection\nversion 2\n"), std::string::npos)
      << text;
  EXPECT_TRUE(ReadFile(prog) == ReadFile(LW_TESTPROG_V2));
  EXPECT_FALSE(Exists(prog + "_new"));
  struct stat st {};
  ::stat(prog.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  const std::string log = WaitForFile(FTmp.File("upd.log"), "Done");
  EXPECT_NE(log.find("Replaced " + prog), std::string::npos) << log;
}

}  // namespace
}  // namespace lw
