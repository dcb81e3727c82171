#include "TempFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace lw {

namespace {

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

TTempFile::TTempFile(const std::string& dir, const std::string& prefix) {
  std::string pattern = (dir.empty() ? std::string(".") : dir);
  if (pattern.back() != '/') pattern += '/';
  pattern += prefix + "XXXXXX";
  FFd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (FFd < 0) return;
  FPath = pattern;
  ::fchmod(FFd, NewFileMode());
}

TTempFile::~TTempFile() {
  if (FFd >= 0) ::close(FFd);
  if (!FKeep && !FPath.empty()) ::unlink(FPath.c_str());
}

bool TTempFile::Close() {
  if (FFd < 0) return true;
  const int rc = ::close(FFd);
  FFd = -1;
  return rc == 0;
}

bool TTempFile::RenameTo(const std::string& target) {
  if (!Close() || FPath.empty()) return false;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    // The owner first: changing it may clear the set-id bits that the mode then restores.
    if (::chown(FPath.c_str(), old.st_uid, old.st_gid) != 0 &&
        ::chown(FPath.c_str(), static_cast<uid_t>(-1), old.st_gid) != 0) {
      // Another owner or group is not ours to give away: the file stays ours.
    }
    if (::chmod(FPath.c_str(), old.st_mode & 07777) != 0) {
      // Kept as the usual mode for a new file; the content is what matters.
    }
  }
  if (::rename(FPath.c_str(), target.c_str()) != 0) return false;
  FKeep = true;
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int64_t FreeBytes(const std::string& dir) {
  struct statvfs fs {};
  if (::statvfs(dir.empty() ? "." : dir.c_str(), &fs) != 0) return -1;
  return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
}

}  // namespace lw
