#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "DatabaseError.h"
#include "TableCodec.h"

namespace lw {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Companion extensions of a table, lower case: memo and index files of both formats,
// including Paradox's numbered secondary indexes (.x01, .y0a, .xg0, .yg1, ...).
bool IsCompanionExtension(const std::string& ext) {
  static const char* const kFixed[] = {"mb", "px", "dbt", "fpt", "mdx", "ndx", "tv", "fam", "val"};
  for (const char* e : kFixed)
    if (ext == e) return true;
  if (ext.size() == 3 && (ext[0] == 'x' || ext[0] == 'y')) {
    bool hex = std::isxdigit(static_cast<unsigned char>(ext[1])) &&
               std::isxdigit(static_cast<unsigned char>(ext[2]));
    bool composite = ext[1] == 'g' && std::isxdigit(static_cast<unsigned char>(ext[2]));
    return hex || composite;
  }
  return false;
}

}  // namespace

void DeleteTableFiles(const std::string& path) {
  std::string dir = ".";
  std::string file = path;
  if (auto slash = path.find_last_of('/'); slash != std::string::npos) {
    dir = slash == 0 ? "/" : path.substr(0, slash);
    file = path.substr(slash + 1);
  }
  auto dot = file.find_last_of('.');
  std::string stem = Lower(dot == std::string::npos ? file : file.substr(0, dot));

  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    ThrowTableError(path, std::string("cannot delete: ") + std::strerror(errno));

  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> victims;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    auto ndot = name.find_last_of('.');
    if (ndot == std::string::npos) continue;
    if (Lower(name.substr(0, ndot)) != stem) continue;
    if (IsCompanionExtension(Lower(name.substr(ndot + 1)))) victims.push_back(dir + "/" + name);
  }
  ::closedir(d);
  for (const auto& v : victims) {
    if (::unlink(v.c_str()) != 0 && errno != ENOENT)
      ThrowTableError(v, std::string("cannot delete: ") + std::strerror(errno));
  }
}

}  // namespace lw
