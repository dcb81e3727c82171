#pragma once

// A program started with its stdout on a pipe that the test reads and may close early, as a
// shell pipeline's reader does, and that the test may send signals to.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace lw::test {

class TChildProcess {
 public:
  // Starts `program` with `args`; stderr goes to `errFile`.
  TChildProcess(const std::string& program, const std::vector<std::string>& args,
                const std::string& errFile) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The child starts with the default dispositions, whatever the test runner set.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attr, &all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&FPid, program.c_str(), &actions, &attr, argv.data(), environ) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(fds[1]);
    FOut = fds[0];
  }
  ~TChildProcess() {
    CloseOutput();
    if (FPid > 0 && !FReaped) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
  }
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const { return FPid > 0; }
  pid_t Pid() const { return FPid; }

  // Reads until `lines` complete lines have arrived (or the output ends); returns them.
  std::string ReadLines(int lines) {
    std::string text;
    char c;
    int seen = 0;
    while (seen < lines && ::read(FOut, &c, 1) == 1) {
      text += c;
      if (c == '\n') ++seen;
    }
    return text;
  }
  // Reads everything up to the end of the output.
  std::string ReadAll() {
    std::string text;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(FOut, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    return text;
  }
  void CloseOutput() {
    if (FOut >= 0) ::close(FOut);
    FOut = -1;
  }
  void Signal(int signal) const { ::kill(FPid, signal); }

  // The exit status, or 1000 + signal when a signal ended the process.
  int Wait() {
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FReaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }

 private:
  pid_t FPid = -1;
  int FOut = -1;
  bool FReaped = false;
};

}  // namespace lw::test
