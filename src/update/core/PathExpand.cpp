#include "PathExpand.h"

#include <unistd.h>

#include <filesystem>

#include "strutil/FileUtil.h"
#include "strutil/PrivateTemp.h"
#include "strutil/StrUtil.h"
#include "strutil/SysUtil.h"

namespace lw {

namespace {

std::string CurrentDirectory() {
  std::string buf(4096, '\0');
  if (!::getcwd(buf.data(), buf.size())) return ".";
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}

}  // namespace

std::string DefaultPrefixDirectory(const std::string& name) {
  if (name == "APP") return CurrentDirectory();
  if (name == "TMP") return ExcludeTrailingSlash(PrivateTempDirectory());
  if (name == "WIN") return GetSpecialFolderLocation(nullptr, sfWindows);
  return {};
}

std::string NormalisePrefixDirectory(const std::string& dir) {
  std::string d = dir;
  // The separator the directory itself uses (a Windows-style name keeps its backslashes).
  const char sep =
      d.find('/') == std::string::npos && d.find('\\') != std::string::npos ? '\\' : '/';
  if (d.empty() || (d.back() != '/' && d.back() != '\\')) d += sep;
  if (d.size() > 3 && d[1] == ':')
    d.pop_back();
  else
    d += '.';
  return d;
}

std::string ExpandPath(std::string value, const TConvertPrefixEvent& convert,
                       const TPrefixResolver& resolve) {
  if (convert) convert(value);
  size_t pos = 0;
  while ((pos = value.find('{', pos)) != std::string::npos) {
    const size_t close = value.find('}', pos + 1);
    if (close == std::string::npos) break;
    const std::string name = Str_Upper(value.substr(pos + 1, close - pos - 1));
    const std::string dir = resolve ? resolve(name) : std::string();
    if (dir.empty()) {
      pos = close + 1;
      continue;
    }
    const std::string inserted = NormalisePrefixDirectory(dir);
    value.replace(pos, close - pos + 1, inserted);
    pos += inserted.size();
  }
  return value;
}

std::string LocalPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

std::string ResolvedDirectory(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string name = dir.empty()                           ? "."
                           : dir.size() > 1 && dir.back() == '/' ? dir.substr(0, dir.size() - 1)
                                                                 : dir;
  const fs::path absolute = fs::absolute(name, ec);
  if (ec) return dir.empty() || dir.back() == '/' ? dir : dir + '/';
  const fs::path real = fs::weakly_canonical(absolute, ec);
  std::string out = (ec ? absolute.lexically_normal() : real).string();
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

}  // namespace lw
