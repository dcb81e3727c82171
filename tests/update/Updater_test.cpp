// The updater program `upd`, run as a real process against a real process it waits for.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "Process.h"
#include "UpdateTestUtil.h"

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::Shell;
using test::TTempDir;
using test::WriteFile;

// Copies upd into the test directory (its log goes beside it) and runs it there with `args`;
// returns its exit status.
int RunUpd(const TTempDir& dir, const std::string& args) {
  const std::string copy = dir.File("upd");
  std::string cmd =
      "cp '" LW_UPD_PATH "' '" + copy + "' && cd '" + dir.Path() + "' && ./upd " + args;
  const int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(UpdaterTest, WaitsForTheProcessThenSwapsExpandsExtractsAndRestarts) {
  TTempDir dir;
  WriteFile(dir.File("app"), "#!/bin/sh\necho old\n");
  ::chmod(dir.File("app").c_str(), 0755);
  WriteFile(dir.File("app_new"), "#!/bin/sh\necho started >> restarted.txt\n");
  ::chmod(dir.File("app_new").c_str(), 0600);
  const std::string payload(20000, 'z');
  WriteFile(dir.File("data.txt"), payload);
  ASSERT_TRUE(Shell(dir.Path(), "mscompress data.txt && rm data.txt"));
  WriteFile(dir.File("inner.txt"), "from the cabinet");
  ASSERT_TRUE(Shell(dir.Path(), "gcab -c -z bundle.CAB inner.txt && rm inner.txt"));
  // The process the updater waits for; it ends a moment after the updater started.
  const pid_t waited = ::fork();
  if (waited == 0) {
    ::usleep(400 * 1000);
    ::_exit(0);
  }
  std::thread reap([waited] { ::waitpid(waited, nullptr, 0); });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunUpd(dir, std::to_string(waited) + " ./app app_new data.txt_ bundle.CAB"), 0);
  reap.join();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(350));
  EXPECT_FALSE(Exists(dir.File("app_new")));
  EXPECT_NE(ReadFile(dir.File("app")).find("restarted"), std::string::npos);
  struct stat st {};
  ::stat(dir.File("app").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0755u);  // the old file's permissions carry over
  EXPECT_EQ(ReadFile(dir.File("data.txt")), payload);
  EXPECT_TRUE(Exists(dir.File("data.txt_")));  // the updater keeps the compressed file
  EXPECT_EQ(ReadFile(dir.File("inner.txt")), "from the cabinet");
  EXPECT_FALSE(Exists(dir.File("bundle.CAB")));
  // The restarted program creates its file before it writes to it: wait for the text.
  for (int i = 0; i < 50 && ReadFile(dir.File("restarted.txt")) != "started\n"; ++i)
    ::usleep(20 * 1000);
  EXPECT_EQ(ReadFile(dir.File("restarted.txt")), "started\n");
  const std::string log = ReadFile(dir.File("upd.log"));
  EXPECT_NE(log.find("Replaced app"), std::string::npos) << log;
  EXPECT_NE(log.find("Started ./app"), std::string::npos) << log;
}

TEST(UpdaterTest, FailedSwapKeepsTheOldFileAndStillRestarts) {
  TTempDir dir;
  WriteFile(dir.File("app"), "#!/bin/sh\necho started > restarted.txt\n");
  ::chmod(dir.File("app").c_str(), 0755);
  ::mkdir(dir.File("lib").c_str(), 0755);
  WriteFile(dir.File("lib/keep.so"), "old library");
  ::mkdir(dir.File("lib/keep.so_new").c_str(), 0755);  // cannot be renamed over a file
  WriteFile(dir.File("lib/keep.so_new/x"), "");
  EXPECT_EQ(RunUpd(dir, "1999999999 ./app lib/keep.so_new missing.so_new"), 2);  // bad pid
  EXPECT_EQ(RunUpd(dir, "999999 ./app lib/keep.so_new missing.so_new"), 1);
  EXPECT_EQ(ReadFile(dir.File("lib/keep.so")), "old library");
  for (int i = 0; i < 50 && !Exists(dir.File("restarted.txt")); ++i) ::usleep(20 * 1000);
  EXPECT_TRUE(Exists(dir.File("restarted.txt")));
  const std::string log = ReadFile(dir.File("upd.log"));
  EXPECT_NE(log.find("Cannot replace lib/keep.so"), std::string::npos) << log;
  EXPECT_NE(log.find("the old file stays"), std::string::npos) << log;
}

TEST(UpdaterTest, CabinetThatClimbsOutIsRefusedAndKept) {
  TTempDir dir;
  WriteFile(dir.File("abcevil.txt"), "payload");
  ASSERT_TRUE(Shell(dir.Path(), "gcab -c -z bad.cab abcevil.txt && rm abcevil.txt"));
  std::string bytes = ReadFile(dir.File("bad.cab"));
  bytes.replace(bytes.find("abcevil.txt"), 3, "../");
  WriteFile(dir.File("bad.cab"), bytes);
  EXPECT_EQ(RunUpd(dir, "999999 null bad.cab"), 1);
  EXPECT_TRUE(Exists(dir.File("bad.cab")));
  EXPECT_FALSE(Exists(dir.File("../evil.txt")));
  EXPECT_NE(ReadFile(dir.File("upd.log")).find("Unsafe name in cabinet: ../evil.txt"),
            std::string::npos);
}

TEST(UpdaterTest, NullApplicationAndBadProcessId) {
  TTempDir dir;
  WriteFile(dir.File("comp"), "old");
  WriteFile(dir.File("comp_NEW"), "new");
  EXPECT_EQ(RunUpd(dir, "999999 null comp_NEW"), 0);
  EXPECT_EQ(ReadFile(dir.File("comp")), "new");
  EXPECT_NE(ReadFile(dir.File("upd.log")).find("Not restarting"), std::string::npos);
  WriteFile(dir.File("comp_NEW"), "newer");
  EXPECT_EQ(RunUpd(dir, "12ab null comp_NEW"), 2);
  EXPECT_EQ(ReadFile(dir.File("comp")), "new");
}

TEST(ProcessTest, CommandLinesAndStarting) {
  EXPECT_EQ(SplitCommandLine("\"/opt/My App/app\" -x  y"),
            (std::vector<std::string>{"/opt/My App/app", "-x", "y"}));
  EXPECT_EQ(SplitCommandLine("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
  std::string error;
  int code = 0;
  EXPECT_EQ(StartCommandLine("/no/such/program", error, code), -1);
  EXPECT_FALSE(error.empty());
  EXPECT_NE(code, 0);
  const pid_t pid = StartCommandLine("sleep 0.2", error, code);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(ProcessRunning(pid));
  for (int i = 0; i < 100 && ProcessRunning(pid); ++i) ::usleep(20 * 1000);
  EXPECT_FALSE(ProcessRunning(pid));
}

}  // namespace
}  // namespace lw
