#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DatabaseError.h"
#include "PosixFile.h"
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

// The parts of a table's path that its companions share.
struct TTablePath {
  std::string Dir;
  std::string File;
  std::string Stem;  // lower case
};

TTablePath SplitTablePath(const std::string& path) {
  TTablePath p{".", path, ""};
  if (auto slash = path.find_last_of('/'); slash != std::string::npos) {
    p.Dir = slash == 0 ? "/" : path.substr(0, slash);
    p.File = path.substr(slash + 1);
  }
  auto dot = p.File.find_last_of('.');
  p.Stem = Lower(dot == std::string::npos ? p.File : p.File.substr(0, dot));
  return p;
}

bool IsCompanionOf(const TTablePath& table, const std::string& name) {
  auto dot = name.find_last_of('.');
  return dot != std::string::npos && Lower(name.substr(0, dot)) == table.Stem &&
         IsCompanionExtension(Lower(name.substr(dot + 1)));
}

// A replacement is built in "<table>.new~" and renamed to "<table>.ready~" once complete:
// that rename is the moment the new table counts, so a crash before it leaves the old table
// and a crash after it leaves files that only need moving. The list of the new table's files
// goes in with them, so that moving can resume wherever it stopped.
constexpr const char* kStagingSuffix = ".new~";
constexpr const char* kReadySuffix = ".ready~";
constexpr const char* kFileList = "files~";

std::vector<std::string> ReadFileList(const std::string& dir) {
  std::ifstream in(dir + "/" + kFileList);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

void RenameOrThrow(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0)
    ThrowTableError(to, "cannot replace the file: " + std::string(std::strerror(errno)));
}

// Moves a complete replacement into place. Safe to repeat after a crash at any point: files
// already moved are skipped, and the old companions the new table lacks go before anything
// moves, so that none of them is ever taken for one of the new table's.
void MoveIntoPlace(const TTablePath& table, const std::string& ready) {
  std::vector<std::string> names = ReadFileList(ready);
  std::vector<std::string> stale;
  if (DIR* d = ::opendir(table.Dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (IsCompanionOf(table, name) && std::find(names.begin(), names.end(), name) == names.end())
        stale.push_back(table.Dir + "/" + name);
    }
    ::closedir(d);
  }
  for (const std::string& v : stale)
    if (::unlink(v.c_str()) != 0 && errno != ENOENT)
      ThrowTableError(v, std::string("cannot delete: ") + std::strerror(errno));
  // The table file goes last: until it moves, openers still find the old table whole except
  // for companions an interrupted move completes at the next start.
  std::stable_partition(names.begin(), names.end(),
                        [&](const std::string& n) { return n != table.File; });
  for (const std::string& name : names) {
    const std::string from = ready + "/" + name;
    struct stat st;
    if (::lstat(from.c_str(), &st) == 0) RenameOrThrow(from, table.Dir + "/" + name);
  }
  std::error_code ec;
  std::filesystem::remove_all(ready, ec);
}

}  // namespace

void ReplaceTableFiles(const std::string& path,
                       const std::function<void(const std::string& stagedPath)>& build) {
  namespace fs = std::filesystem;
  const TTablePath table = SplitTablePath(path);
  RecoverTableFiles(path);
  // Held until the new table is in place: nobody may have the old one open meanwhile.
  TPosixFile old;
  if (::access(path.c_str(), F_OK) == 0) {
    old = TPosixFile(path, TPosixFile::Mode::ReadWrite);
    old.LockExclusive();
  }
  const std::string staging = path + kStagingSuffix, ready = path + kReadySuffix;
  std::error_code ec;
  fs::remove_all(staging, ec);
  if (!fs::create_directory(staging, ec))
    ThrowTableError(path, "cannot create the directory " + staging + ": " + ec.message());
  try {
    build(staging + "/" + table.File);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(staging))
      names.push_back(entry.path().filename().string());
    std::ofstream list(staging + "/" + kFileList, std::ios::binary | std::ios::trunc);
    for (const std::string& n : names) list << n << '\n';
    list.close();
    if (!list) ThrowTableError(staging + "/" + kFileList, "cannot write the file");
    RenameOrThrow(staging, ready);
  } catch (...) {
    fs::remove_all(staging, ec);
    throw;
  }
  MoveIntoPlace(table, ready);
}

void RecoverTableFiles(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string ready = path + kReadySuffix;
  if (fs::is_directory(ready, ec)) {
    if (fs::exists(ready + "/" + kFileList, ec))
      MoveIntoPlace(SplitTablePath(path), ready);
    else
      fs::remove_all(ready, ec);
  }
  fs::remove_all(path + kStagingSuffix, ec);
}

void DeleteTableFiles(const std::string& path) {
  const TTablePath table = SplitTablePath(path);
  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    ThrowTableError(path, std::string("cannot delete: ") + std::strerror(errno));

  DIR* d = ::opendir(table.Dir.c_str());
  if (!d) return;
  std::vector<std::string> victims;
  while (dirent* e = ::readdir(d))
    if (IsCompanionOf(table, e->d_name)) victims.push_back(table.Dir + "/" + e->d_name);
  ::closedir(d);
  for (const auto& v : victims) {
    if (::unlink(v.c_str()) != 0 && errno != ENOENT)
      ThrowTableError(v, std::string("cannot delete: ") + std::strerror(errno));
  }
}

}  // namespace lw
