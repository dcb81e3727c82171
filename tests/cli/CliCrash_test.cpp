// The result table survives the program being killed while it empties the table: a real
// ledgerwake-cli is killed with SIGKILL at many moments of a search that starts by emptying a
// full result table, and the next start must work every time, with nothing to repair.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CommandRunner.h"

namespace lw {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::TScratchDir;

// The system calls that change files, or open them: each is a moment to die at.
constexpr const char* kFileCalls =
    "openat,creat,write,pwrite64,ftruncate,rename,renameat,renameat2,unlink,unlinkat,mkdir,"
    "mkdirat,rmdir";

// Starts `argv` with its output thrown away; returns the child's pid.
pid_t Start(const std::vector<std::string>& argv) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

bool KilledOrDone(int status) {
  return (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
         (WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 128 + SIGKILL));
}

class CliCrash : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::CopySampleHome(LW_CLI_PATH, FHome.Path()))
      GTEST_SKIP() << "no sample data next to " << LW_CLI_PATH << " (build sample_data)";
    // A full result table to empty.
    FExpected = FoundCount(RunProgram(LW_CLI_PATH, SearchArgs(), FScratch));
    ASSERT_GT(FExpected, 100);
  }

  std::vector<std::string> SearchArgs() const {
    return {"search", "--home", FHome.Path().string(), "--company", "*", "--keep", "--quiet"};
  }

  std::vector<std::string> Command() const {
    std::vector<std::string> argv{LW_CLI_PATH};
    for (const std::string& a : SearchArgs()) argv.push_back(a);
    return argv;
  }

  static int FoundCount(const test::TCommandResult& r) {
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    const auto at = r.Out.find("Total Records Found: ");
    return at == std::string::npos ? -1 : std::stoi(r.Out.substr(at + 21));
  }

  // The start after a kill: it must work without rebuilding anything, find what it found
  // before, and leave no half-made replacement behind.
  void ExpectNextStartWorks(const std::string& moment) {
    SCOPED_TRACE("killed " + moment);
    const test::TCommandResult r = RunProgram(LW_CLI_PATH, SearchArgs(), FScratch);
    EXPECT_EQ(FoundCount(r), FExpected) << r.Err;
    EXPECT_EQ(r.Err.find("recreated empty"), std::string::npos) << r.Err;
    for (const auto& entry : fs::directory_iterator(FHome.Path() / "data")) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find('~'), std::string::npos) << name << " left behind";
    }
  }

  TScratchDir FHome{"crash-home"};
  TScratchDir FScratch{"crash-out"};
  int FExpected = 0;
};

// The moments of the run, as (system call, how many of that call so far) for each call
// of the main thread, before the search starts its worker, that touches the result table.
std::vector<std::pair<std::string, int>> EmptyingMoments(const std::string& log) {
  std::vector<std::pair<std::string, int>> moments;
  std::map<std::string, int> seen;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const auto paren = line.find('(');
    if (paren == std::string::npos || line.compare(0, 3, "---") == 0) continue;
    const std::string call = line.substr(0, paren);
    if (call.rfind("clone", 0) == 0) break;
    const int n = ++seen[call];
    if (line.find("swap") != std::string::npos) moments.emplace_back(call, n);
  }
  return moments;
}

// Every file operation of the emptying, one kill each, at the exact system call.
TEST_F(CliCrash, KilledAtEachFileOperationOfTheEmptyingTheNextStartWorks) {
  const std::string log = FScratch / "trace.txt";
  std::vector<std::string> trace{
      "strace", "-qq", "-y", "-o", log, "-e", std::string("trace=") + kFileCalls};
  for (const std::string& a : Command()) trace.push_back(a);
  const int traced = WaitFor(Start(trace));
  if (!WIFEXITED(traced) || WEXITSTATUS(traced) != 0)
    GTEST_SKIP() << "strace is missing or may not trace here";
  const auto moments = EmptyingMoments(test::ReadFile(log));
  ASSERT_GT(moments.size(), 10u) << "the emptying should show in the trace";
  int renames = 0;
  for (const auto& m : moments) renames += m.first.rfind("rename", 0) == 0;
  ASSERT_GE(renames, 2) << "the new table should be moved in by renames";

  for (const auto& [call, n] : moments) {
    const std::string moment = call + " #" + std::to_string(n);
    std::vector<std::string> argv{
        "strace",    "-qq", "-o",
        "/dev/null", "-e",  "inject=" + call + ":signal=SIGKILL:when=" + std::to_string(n)};
    for (const std::string& a : Command()) argv.push_back(a);
    const int status = WaitFor(Start(argv));
    ASSERT_TRUE(KilledOrDone(status)) << moment << ": status " << status;
    ExpectNextStartWorks(moment);
    if (HasFailure()) return;
  }
}

// kill -9 from outside at moments spread over a whole run.
TEST_F(CliCrash, KilledAtMomentsAcrossTheRunTheNextStartWorks) {
  const auto started = std::chrono::steady_clock::now();
  WaitFor(Start(Command()));
  const auto run = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);
  constexpr int kMoments = 25;
  for (int i = 0; i < kMoments; ++i) {
    const auto delay = run * i / kMoments;
    const pid_t pid = Start(Command());
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    ASSERT_TRUE(KilledOrDone(WaitFor(pid)));
    ExpectNextStartWorks("after " + std::to_string(delay.count()) + " us");
    if (HasFailure()) return;
  }
}

// A result table that does not open is rebuilt empty from the source table, with a notice,
// instead of stopping every start from then on.
TEST_F(CliCrash, AnUnopenableResultTableIsRebuiltAtStart) {
  for (const std::string& damage : {std::string(), std::string(4096, 'x')}) {
    {
      std::ofstream out(FHome.Path() / "data" / "swap.db", std::ios::binary | std::ios::trunc);
      out << damage;
    }
    const test::TCommandResult r = RunProgram(
        LW_CLI_PATH, {"search", "--home", FHome.Path().string(), "--company", "*", "--list"},
        FScratch);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("has been recreated empty"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("Total Records Found: " + std::to_string(FExpected)), std::string::npos)
        << r.Err;
    // The rebuilt table has the result number first, then the source table's fields.
    const auto dump = RunProgram(
        LW_CLI_PATH, {"dump", (FHome.Path() / "sample" / "sample.db").string()}, FScratch);
    const std::string sourceHeader = dump.Out.substr(0, dump.Out.find('\n'));
    EXPECT_EQ(r.Out.substr(0, r.Out.find('\n')), "Result," + sourceHeader);
  }
}

}  // namespace
}  // namespace lw
