#include "Updater.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "CabExtract.h"
#include "LzExpand.h"
#include "PathExpand.h"
#include "Process.h"
#include "strutil/StrUtil.h"

namespace lw {

namespace {

bool EndsWithUpper(const std::string& s, const std::string& suffix) {
  const std::string u = Str_Upper(s);
  return u.size() > suffix.size() &&
         u.compare(u.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool Swap(const std::string& fresh, std::ostream& log) {
  const std::string target = fresh.substr(0, fresh.size() - 4);
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::chmod(fresh.c_str(), old.st_mode & 07777);
  if (::rename(fresh.c_str(), target.c_str()) != 0) {
    log << "Cannot replace " << target << " by " << fresh << ": " << std::strerror(errno)
        << " (the old file stays)\n";
    return false;
  }
  log << "Replaced " << target << "\n";
  return true;
}

bool Component(const std::string& arg, std::ostream& log) {
  const std::string name = LocalPath(arg);
  if (EndsWithUpper(name, "_NEW")) return Swap(name, log);
  if (EndsWithUpper(name, ".CAB")) {
    std::string error;
    if (CabExtract(name, "", &error) != 0) {
      log << "Cannot extract " << name << ": " << error << "\n";
      return false;
    }
    ::unlink(name.c_str());
    log << "Extracted " << name << "\n";
    return true;
  }
  std::string expanded, error;
  if (!LzExpandFile(name, &expanded, &error)) {
    log << "Cannot expand " << name << ": " << error << "\n";
    return false;
  }
  log << "Expanded " << name << " to " << expanded << "\n";
  return true;
}

}  // namespace

int RunUpdater(const std::vector<std::string>& args, std::ostream& log,
               const TUpdaterOptions& options) {
  if (args.empty() || args[0].empty() ||
      args[0].find_first_not_of("0123456789") != std::string::npos || args[0].size() > 9) {
    log << "Usage: upd <process id> <application|null> [component ...]\n";
    return 2;
  }
  const pid_t pid = static_cast<pid_t>(std::stol(args[0]));
  log << "Waiting for process " << pid << "\n" << std::flush;
  while (ProcessRunning(pid))
    std::this_thread::sleep_for(std::chrono::milliseconds(options.PollMilliseconds));
  bool ok = true;
  for (size_t i = 2; i < args.size(); ++i) ok = Component(args[i], log) && ok;
  const std::string app = args.size() > 1 ? args[1] : std::string();
  if (app.empty() || app == "null") {
    log << "Not restarting the application\n";
  } else {
    // The engine quotes a program path with blanks; it arrives here as one argument, so an
    // existing file is started as it is and anything else as a command line.
    const std::string local = LocalPath(app);
    std::string error;
    int code = 0;
    struct stat st {};
    const pid_t started = ::stat(local.c_str(), &st) == 0 ? StartProgram({local}, error, code)
                                                          : StartCommandLine(local, error, code);
    if (started < 0) {
      log << "Cannot start " << app << ": " << error << "\n";
      ok = false;
    } else {
      log << "Started " << app << " (process " << started << ")\n";
    }
  }
  log << (ok ? "Done\n" : "Done with failures\n") << std::flush;
  return ok ? 0 : 1;
}

}  // namespace lw
