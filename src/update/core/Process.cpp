#include "Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace lw {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  std::string cur;
  bool quoted = false, any = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) args.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) args.push_back(cur);
  return args;
}

pid_t StartProgram(const std::vector<std::string>& argv, std::string& error, int& errorCode) {
  if (argv.empty()) {
    errorCode = ENOENT;
    error = std::strerror(ENOENT);
    return -1;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    errorCode = rc;
    error = std::strerror(rc);
    return -1;
  }
  // Nobody waits for the program; a thread collects it when it ends so it leaves no zombie.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return pid;
}

pid_t StartCommandLine(const std::string& commandLine, std::string& error, int& errorCode) {
  return StartProgram(SplitCommandLine(commandLine), error, errorCode);
}

bool ProcessRunning(pid_t pid) {
  if (pid <= 0) return false;
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t close = line.rfind(')');
  return !(close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z');
}

}  // namespace lw
