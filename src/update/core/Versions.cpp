#include "Versions.h"

#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "strutil/VersionInfo.h"

namespace lw {

namespace {

bool ParseNumber(const std::string& s, uint32_t& out) {
  if (s.empty() || s.size() > 10) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  out = static_cast<uint32_t>(v);
  return true;
}

int32_t Combine(uint32_t hi, uint32_t lo) {
  return static_cast<int32_t>(hi * 65536u + lo);
}

}  // namespace

bool ParseVersionText(const std::string& text, TFileVersion64& version) {
  const char sep = text.find(',') != std::string::npos ? ',' : '.';
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == sep)
      parts.emplace_back();
    else if (c != ' ')
      parts.back() += c;
  }
  if (parts.size() != 4) return false;
  uint32_t n[4];
  for (int i = 0; i < 4; ++i)
    if (!ParseNumber(parts[i], n[i])) return false;
  version.Ms = Combine(n[0], n[1]);
  version.Ls = Combine(n[2], n[3]);
  return true;
}

TFileVersion64 LocalFileVersion(const std::string& path) {
  TFileVersion64 v;
  TFileVersionInfo info;
  if (ReadFileVersionInfo(path, info)) ParseVersionText(info.FileVersion, v);
  return v;
}

int32_t FileChecksum(const std::string& path) {
  uint32_t sum = 0xFFFFFFFFu;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  unsigned char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
    for (size_t i = 0; i < n; ++i) sum += buf[i];
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  return failed ? -1 : static_cast<int32_t>(sum);
}

int64_t LocalFileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool CheckVersions(const std::string& newVersion, const std::string& localFile, int64_t newChecksum,
                   int64_t newSize) {
  if ((newVersion.empty() && newSize == 0 && newChecksum == -1) || localFile.empty()) return true;
  bool update = false;
  if (newChecksum != -1) update = FileChecksum(localFile) != static_cast<int32_t>(newChecksum);
  if (newSize > 0) {
    const int64_t size = LocalFileSize(localFile);
    update = size > 0 && size != newSize;
  } else {
    TFileVersion64 fresh;
    if (ParseVersionText(newVersion, fresh)) {
      const TFileVersion64 local = LocalFileVersion(localFile);
      if (fresh.Ms > local.Ms || (fresh.Ms == local.Ms && fresh.Ls > local.Ls)) update = true;
    }
  }
  return update;
}

TUpdateKind UpdateKindOf(const std::string& date, const std::string& newVersion,
                         const std::string& localFile, int64_t newChecksum, int64_t newSize) {
  if (!date.empty()) return TUpdateKind::Date;
  const bool criterion = !newVersion.empty() || newSize != 0 || newChecksum != -1;
  if (!criterion || localFile.empty()) return TUpdateKind::None;
  if (newChecksum != -1) return TUpdateKind::Checksum;
  if (newSize < 1) return TUpdateKind::Version;
  return TUpdateKind::FileSize;
}

}  // namespace lw
