#include "VersionInfo.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

namespace lw {

namespace {

// The marker that opens a version block. It is assembled at run time so that the reader's own
// code never carries the marker bytes and cannot be mistaken for a block.
std::string BlockMarker() {
  static volatile char lead = 0x7f;
  std::string m = "?LW-VERSION-BLOCK-1";
  m[0] = lead;
  m += '\0';
  return m;
}

std::string_view Field(std::string_view& rest, bool& ok) {
  const size_t z = rest.find('\0');
  if (z == std::string_view::npos) {
    ok = false;
    return {};
  }
  std::string_view f = rest.substr(0, z);
  rest.remove_prefix(z + 1);
  return f;
}

// Parses "Name\0Value\0 ... \0" after the marker; false when the bytes are not a block.
bool ParseBlock(std::string_view rest, TFileVersionInfo& out) {
  constexpr size_t kMaxBlock = 8192;
  if (rest.size() > kMaxBlock) rest = rest.substr(0, kMaxBlock);
  TFileVersionInfo info;
  bool ok = true;
  for (int pairs = 0; pairs < 64; ++pairs) {
    const std::string_view name = Field(rest, ok);
    if (!ok) return false;
    if (name.empty()) {
      out = info;
      return true;
    }
    const std::string value(Field(rest, ok));
    if (!ok) return false;
    if (name == "CompanyName")
      info.CompanyName = value;
    else if (name == "FileDescription")
      info.FileDescription = value;
    else if (name == "FileVersion")
      info.FileVersion = value;
    else if (name == "InternalName")
      info.InternalName = value;
    else if (name == "LegalCopyright")
      info.LegalCopyright = value;
    else if (name == "ProductName")
      info.ProductName = value;
    else if (name == "LegalTrademarks")
      info.LegalTrademarks = value;
    else if (name == "OriginalFileName")
      info.OriginalFileName = value;
    else if (name == "ProductVersion")
      info.ProductVersion = value;
    else if (name == "Comments")
      info.Comments = value;
  }
  return false;
}

}  // namespace

bool ReadFileVersionInfo(const std::string& path, TFileVersionInfo& info) {
  if (path.empty()) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fd);
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (map == MAP_FAILED) return false;
  const std::string marker = BlockMarker();
  const char* data = static_cast<const char*>(map);
  bool found = false;
  const char* from = data;
  const char* end = data + size;
  while (!found && from < end) {
    const void* hit = ::memmem(from, static_cast<size_t>(end - from), marker.data(), marker.size());
    if (!hit) break;
    const char* p = static_cast<const char*>(hit) + marker.size();
    found = ParseBlock(std::string_view(p, static_cast<size_t>(end - p)), info);
    from = static_cast<const char*>(hit) + 1;
  }
  ::munmap(map, size);
  return found;
}

void GetFileVerInfo(const std::string& path, std::string& companyName, std::string& fileDescription,
                    std::string& fileVersion, std::string& internalName,
                    std::string& legalCopyright, std::string& productName,
                    std::string& legalTrademarks, std::string& originalFileName,
                    std::string& productVersion, std::string& comments) {
  TFileVersionInfo info;
  if (!ReadFileVersionInfo(path, info)) return;
  companyName = info.CompanyName;
  fileDescription = info.FileDescription;
  fileVersion = info.FileVersion;
  internalName = info.InternalName;
  legalCopyright = info.LegalCopyright;
  productName = info.ProductName;
  legalTrademarks = info.LegalTrademarks;
  originalFileName = info.OriginalFileName;
  productVersion = info.ProductVersion;
  comments = info.Comments;
}

std::string FileVer(const std::string& path) {
  TFileVersionInfo info;
  return ReadFileVersionInfo(path, info) ? info.FileVersion : std::string();
}

}  // namespace lw
