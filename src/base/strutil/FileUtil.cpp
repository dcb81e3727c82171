#include "FileUtil.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace lw {

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(dir), ec);
  return DirectoryExists(dir);
}

std::string SlashPath(const std::string& path) {
  std::string out = path;
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string IncludeTrailingSlash(const std::string& dir) {
  if (dir.empty() || dir.back() == '/') return dir;
  return dir + '/';
}

std::string ExcludeTrailingSlash(const std::string& dir) {
  if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\'))
    return dir.substr(0, dir.size() - 1);
  return dir;
}

std::string ExtractFilePath(const std::string& path) {
  const size_t p = path.rfind('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& path) {
  const size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ProgramPath() {
  std::error_code ec;
  const fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

int64_t FileDateTime(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return 0;
  struct tm local {};
  const time_t t = st.st_mtim.tv_sec;
  if (!localtime_r(&t, &local)) return 0;
  // Day 1 is 0001-01-01.
  const int64_t day = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) -
                      DaysFromCivil(1, 1, 1) + 1;
  const int64_t msOfDay = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000LL +
                          st.st_mtim.tv_nsec / 1000000;
  return day * 86400000LL + msOfDay;
}

std::string RegFilePath(const std::string& exe) {
  try {
    const std::string name = ExtractFileName(SlashPath(exe));
    const char* pathEnv = std::getenv("PATH");
    if (name.empty() || !pathEnv) return {};
    std::string paths = pathEnv;
    size_t from = 0;
    while (from <= paths.size()) {
      size_t to = paths.find(':', from);
      if (to == std::string::npos) to = paths.size();
      const std::string dir = paths.substr(from, to - from);
      if (!dir.empty()) {
        const std::string candidate = IncludeTrailingSlash(dir) + name;
        if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0)
          return ExcludeTrailingSlash(dir);
      }
      from = to + 1;
    }
  } catch (...) {
  }
  return {};
}

}  // namespace lw
