#include "PrivateTemp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "Layout.h"
#include "strutil/FileUtil.h"

namespace lw {

namespace {

std::string TempRoot() {
  const char* t = std::getenv("TMPDIR");
  std::string root = (t && *t == '/') ? std::string(t) : std::string("/tmp");
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

// A directory only this user can write to or look into.
bool IsOwnClosedDirectory(const std::string& path, bool allowReading) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
    return false;
  const mode_t others = allowReading ? (S_IWGRP | S_IWOTH) : (S_IRWXG | S_IRWXO);
  return (st.st_mode & others) == 0;
}

std::string ChooseDirectory(const std::string& root) {
  // A TMPDIR of the user's own (as tests and sandboxes set it) is used as it is.
  if (IsOwnClosedDirectory(root, true)) return root + "/";
  const std::string own = root + "/ledgerwake-" + std::to_string(::getuid());
  ::mkdir(own.c_str(), 0700);
  if (IsOwnClosedDirectory(own, false)) return own + "/";
  // The name is taken by someone else, or by something we do not trust: never use it.
  std::string pattern = own + "-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data())) return std::string(buf.data()) + "/";
  // No room or no right in the root: the user's cache directory, which is theirs alone.
  const int rootError = errno;
  const std::string cache = XdgCacheHome() + "ledgerwake/tmp";
  ForceDirectories(cache);
  ::chmod(cache.c_str(), 0700);
  if (IsOwnClosedDirectory(cache, false)) return cache + "/";
  throw std::runtime_error("no private temporary directory: " + pattern + ": " +
                           std::strerror(rootError) + "; " + cache + ": not usable");
}

}  // namespace

std::string PrivateTempDirectory() {
  static std::mutex lock;
  static std::string lastRoot, lastDir;
  const std::string root = TempRoot();
  std::lock_guard<std::mutex> guard(lock);
  // Chosen again when TMPDIR changed or the directory went away (a cleaned /tmp).
  const bool stillThere =
      !lastDir.empty() && IsOwnClosedDirectory(lastDir.substr(0, lastDir.size() - 1), true);
  if (root != lastRoot || !stillThere) {
    lastDir = ChooseDirectory(root);
    lastRoot = root;
  }
  return lastDir;
}

}  // namespace lw
