// `ledgerwake-cli update` against a loopback HTTP server: the memo lines of a whole run,
// the selection, the answers and the exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "EngineFixture.h"

#ifdef LW_CLI_PATH

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::TEngineFixture;
using test::WriteFile;

class CliUpdateTest : public TEngineFixture {
 protected:
  // The program directory's setup file names the key the served control files are signed with.
  void SetUp() override {
    TEngineFixture::SetUp();
    WriteFile(Work("setup.ini"), "[PRODUCT]\nupdatekey=" + PublicKey() + "\n");
  }
  // Runs the command with the arguments from `home` (default: the work directory), the user's
  // data and cache directories in the work directory; its standard output goes to `out`.
  int Cli(const std::string& args, std::string& out, const std::string& home = "") {
    const std::string cmd = "cd '" + WorkDir() + "' && XDG_DATA_HOME='" + Work("data") +
                            "' XDG_CACHE_HOME='" + Work("cache") + "' '" LW_CLI_PATH "' update " +
                            args + " --home '" + (home.empty() ? WorkDir() : home) +
                            "' </dev/null 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    out.clear();
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Starts `update --yes` on the served control file in the background, output discarded.
  pid_t StartCli() const {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(LW_CLI_PATH, LW_CLI_PATH, "update", "--url", Engine.URL.c_str(), "--yes", "--home",
              WorkDir().c_str(), nullptr);
      ::_exit(127);
    }
    return pid;
  }
  // The lines of a run up to the decision that the served control file is new.
  std::string NewVersionFound() const {
    return "[3 - 0] Checking for Internet connection\n"
           "[3 - 0] Found open Internet connection\n"
           "[3 - 0] Download : " +
           Engine.URL +
           "\n"
           "[3 - 0] Update control file found\n"
           "[5 - 0] New version found : \n";
  }
  void ServeTwoFiles(const std::string& extra = "") {
    WriteFile(Root("a.bin"), "A");
    WriteFile(Root("b.bin"), "B");
    Serve("u.inf", "[update]\n[action]\nquery=Continue?\\nReally?\n" + extra +
                       "[files]\ncount=2\n[file1]\ndescr=First;one\nurl=" + Url("a.bin") +
                       "\ntargetdir=<out>\n[file2]\ndescr=Second;two\nurl=" + Url("b.bin") +
                       "\ntargetdir={APP}\\out\n");
  }
};

TEST_F(CliUpdateTest, WholeRunWithSelectionAndAnswers) {
  ServeTwoFiles();
  std::string out;
  EXPECT_EQ(Cli("--url " + Engine.URL + " --yes --select 2", out), 0);
  EXPECT_EQ(out, NewVersionFound() +
                     "[3 - 0] Found query instruction\n"
                     "? Continue?\nReally? yes\n"
                     "  1. First\n"
                     "* 2. Second\n"
                     "[3 - 0] Found file update instruction\n"
                     "[3 - 0] Download update : " +
                     Url("b.bin") +
                     "\n"
                     "[3 - 0] Download : " +
                     Url("b.bin") +
                     "\n"
                     "[3 - 0] Finished processing update control file\n"
                     "[3 - 0] Closed Internet connection\n");
  EXPECT_EQ(ReadFile(Work("out/b.bin")), "B");
  EXPECT_FALSE(Exists(Work("out/a.bin")));
}

TEST_F(CliUpdateTest, NoDryRunAndFailures) {
  ServeTwoFiles("runafter=touch " + Work("after") + "\n");
  std::string out;
  EXPECT_EQ(Cli("--url " + Engine.URL + " --no", out), 1);  // the query ends the run
  EXPECT_NE(out.find("? Continue?\nReally? no\n[3 - 0] Closed Internet connection\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Cli("--url " + Engine.URL + " --yes --dry-run", out), 0);
  EXPECT_NE(out.find("[3 - 0] Download update : " + Url("b.bin") + "\n[3 - 0] Finished"),
            std::string::npos)
      << out;
  EXPECT_FALSE(Exists(Work("out")));
  ::usleep(200000);
  EXPECT_FALSE(Exists(Work("after")));
  EXPECT_EQ(Cli("--url " + Url("missing.inf"), out), 1);
  EXPECT_NE(out.find("[6 - 404] Http status : 404\n[2 - 0] Update control file not found\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Cli("--select x", out), 2);  // a command line that does not fit
  EXPECT_EQ(Cli("--select=1 --yes --no", out), 2);
}

// An installed copy: an update of its program directory is refused with one line before
// anything is asked or downloaded, and the command fails; the same control file updates a
// portable copy (WholeRunWithSelectionAndAnswers).
TEST_F(CliUpdateTest, AnInstalledCopyIsLeftToThePackageManager) {
  const std::string bin = InstalledBin();
  WriteFile(Root("a.bin"), "A");
  Serve("u.inf",
        "[update]\n[action]\nquery=Continue?\n[files]\ncount=2\n[file1]\nurl=" + Url("a.bin") +
            "\ntargetdir={TMP}\\\n[file2]\nurl=" + Url("a.bin") + "\ntargetdir={APP}\\\n");
  std::string out;
  for (const char* mode : {"--yes", "--yes --dry-run"}) {
    EXPECT_EQ(Cli("--url " + Engine.URL + " " + mode, out, bin), 1) << mode;
    EXPECT_EQ(out, NewVersionFound() + "[16 - 0] This update would change files in " + bin +
                       ": an installed copy is updated by the system's package manager\n"
                       "[3 - 0] Closed Internet connection\n")
        << mode;
    EXPECT_FALSE(Exists(bin + "a.bin"));
    EXPECT_FALSE(Exists(FTmp.File("a.bin")));
  }
}

// A run killed (SIGKILL) at many moments of a download leaves the old file or the whole new
// one under the target's name, never a part.
TEST_F(CliUpdateTest, KilledDuringTheDownloadLeavesOldOrNew) {
  const std::string fresh(8 << 20, 'n'), old(100, 'o');
  WriteFile(Root("big.bin"), fresh);
  Serve("u.inf", "[update]\n[files]\ncount=1\n[file1]\nurl=" + Url("big.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  int outcomes[2] = {0, 0};
  for (int moment = 0; moment < 16; ++moment) {
    WriteFile(Work("big.bin"), old);
    const pid_t pid = StartCli();
    ::usleep(static_cast<useconds_t>(moment * 20000));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string now = ReadFile(Work("big.bin"));
    ASSERT_TRUE(now == old || now == fresh) << "moment " << moment << ": " << now.size();
    ++outcomes[now == fresh];
  }
  std::printf("killed before the file was in place: %d, after: %d\n", outcomes[0], outcomes[1]);
}

// A failed download fails the command; Ctrl+C or kill during one ends it like Cancel, with
// the shell's status and no part files left.
TEST_F(CliUpdateTest, FailedOrStoppedDownloadsFailTheCommand) {
  WriteFile(Root("big.bin"), std::string(200000, 'n'));
  std::string out;
  Serve("u.inf", "[update]\n[files]\ncount=1\n[file1]\nurl=" + Url("gone.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  EXPECT_EQ(Cli("--url " + Engine.URL + " --yes", out), 1);
  EXPECT_NE(out.find("[2 - 0] Cannot download update file : "), std::string::npos) << out;
  Serve("u.inf", "[update]\n[files]\ncount=1\n[file1]\nurl=" + FServer->Url("/drip/50/big.bin") +
                     "\ntargetdir=" + WorkDir() + "\n");
  for (const int signal : {SIGINT, SIGTERM}) {
    const pid_t pid = StartCli();
    ::usleep(700000);
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << status;
    EXPECT_TRUE(NoPartFilesIn(WorkDir()) && NoPartFilesIn(FTmp.Path()));
    EXPECT_FALSE(Exists(Work("big.bin")));
  }
}

}  // namespace
}  // namespace lw

#endif
