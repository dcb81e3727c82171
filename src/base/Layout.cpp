#include "Layout.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "strutil/FileUtil.h"

namespace lw {

namespace {

constexpr char kAppDir[] = "ledgerwake/";

std::string HomeDirectory() {
  const char* h = std::getenv("HOME");
  return h && *h ? IncludeTrailingSlash(h) : std::string("/");
}

// A relative XDG value is to be ignored, as the base directory rules say.
std::string XdgHome(const char* variable, const char* fallback) {
  const char* v = std::getenv(variable);
  if (v && v[0] == '/') return IncludeTrailingSlash(v);
  return HomeDirectory() + fallback;
}

bool Writable(const std::string& dir) {
  return ::access(dir.c_str(), W_OK) == 0;
}

// `kind`/ledgerwake/ of the installation whose bin/ is `programDir`, with trailing '/'.
std::string InstallationDir(const std::string& programDir, const char* kind) {
  const std::filesystem::path dir =
      std::filesystem::path(ExcludeTrailingSlash(programDir)).parent_path() / kind / "ledgerwake";
  return IncludeTrailingSlash(dir.lexically_normal().string());
}

// share/ledgerwake/ of the installation whose bin/ is `programDir`, or "".
std::string InstalledDataDir(const std::string& programDir) {
  std::error_code ec;
  const std::string share = InstallationDir(programDir, "share");
  return std::filesystem::is_directory(share, ec) ? share : std::string();
}

}  // namespace

std::string XdgConfigHome() {
  return XdgHome("XDG_CONFIG_HOME", ".config/");
}
std::string XdgDataHome() {
  return XdgHome("XDG_DATA_HOME", ".local/share/");
}
std::string XdgCacheHome() {
  return XdgHome("XDG_CACHE_HOME", ".cache/");
}

TLayout DecideLayout(const std::string& programDir) {
  TLayout l;
  l.ProgramDir = IncludeTrailingSlash(programDir);
  const std::string share = InstalledDataDir(l.ProgramDir);
  // An installation's bin/ holds no setup file of its own; a portable directory does.
  const bool installedTree = !share.empty() && !FileExists(l.ProgramDir + "setup.ini");
  if (!installedTree && Writable(l.ProgramDir)) {
    l.Kind = TLayout::Portable;
    l.ReadOnlyDir = l.ConfigDir = l.HomeDir = l.NewsDir = l.UpdaterDir = l.ProgramDir;
    l.DataDir = l.ProgramDir + "data/";
    l.TempDir = l.ProgramDir + "temp/";
    return l;
  }
  l.Kind = TLayout::Installed;
  l.ReadOnlyDir = installedTree ? share : l.ProgramDir;
  // The updater is no user command: an installation keeps it out of bin/.
  l.UpdaterDir = installedTree ? InstallationDir(l.ProgramDir, "libexec") : l.ProgramDir;
  l.ConfigDir = XdgConfigHome() + kAppDir;
  l.HomeDir = XdgDataHome() + kAppDir;
  l.DataDir = l.HomeDir + "data/";
  l.NewsDir = l.HomeDir;
  l.TempDir = XdgCacheHome() + kAppDir;
  return l;
}

std::string TLayout::Description() const {
  return std::string("layout: ") + KindName() + "\n" +  //
         "  program:   " + ProgramDir + "\n" +          //
         "  read-only: " + ReadOnlyDir + "\n" +         //
         "  settings:  " + ConfigDir + "\n" +           //
         "  data:      " + DataDir + "\n" +             //
         "  temporary: " + TempDir + "\n" +             //
         "  news:      " + NewsDir + "\n" +             //
         "  updater:   " + UpdaterDir + "\n";
}

}  // namespace lw
