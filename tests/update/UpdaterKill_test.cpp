// Crash safety of the updater: killed (SIGKILL) at many moments while it swaps components,
// every component is either the old file or the new one, whole - never missing or partial.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "UpdateTestUtil.h"

namespace lw {
namespace {

using test::Exists;
using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

TEST(UpdaterKillTest, EveryComponentIsOldOrNewAfterAKill) {
  constexpr int kComponents = 40;
  const std::string oldText(200000, 'o'), newText(300000, 'n');
  int mixed = 0;  // kills that landed between two swaps
  for (int moment = 0; moment < 24; ++moment) {
    TTempDir dir;
    std::vector<std::string> argv{LW_UPD_PATH, "999999", "null"};
    for (int i = 0; i < kComponents; ++i) {
      const std::string name = dir.File("c" + std::to_string(i));
      WriteFile(name, oldText);
      WriteFile(name + "_NEW", newText);
      argv.push_back(name + "_NEW");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::vector<char*> args;
      for (std::string& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::usleep(static_cast<useconds_t>(moment * 150));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    int swapped = 0;
    for (int i = 0; i < kComponents; ++i) {
      const std::string name = dir.File("c" + std::to_string(i));
      const std::string now = ReadFile(name);
      ASSERT_TRUE(now == oldText || now == newText) << name << " at moment " << moment;
      // Not yet swapped: the new file still waits beside the old one.
      if (now == oldText) {
        ASSERT_TRUE(ReadFile(name + "_NEW") == newText) << name;
      } else {
        ASSERT_FALSE(Exists(name + "_NEW")) << name;
        ++swapped;
      }
    }
    if (swapped > 0 && swapped < kComponents) ++mixed;
  }
  std::printf("kills between swaps: %d of 24\n", mixed);
}

}  // namespace
}  // namespace lw
