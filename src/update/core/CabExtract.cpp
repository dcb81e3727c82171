#include "CabExtract.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "PathExpand.h"
#include "TempFile.h"

namespace lw {

namespace {

struct TCabd {
  mscab_decompressor* D = mspack_create_cab_decompressor(nullptr);
  mscabd_cabinet* C = nullptr;
  ~TCabd() {
    if (D && C) D->close(D, C);
    if (D) mspack_destroy_cab_decompressor(D);
  }
};

void SetFileTime(const std::string& path, const mscabd_file& f) {
  std::tm tm{};
  tm.tm_year = f.date_y - 1900;
  tm.tm_mon = f.date_m - 1;
  tm.tm_mday = f.date_d;
  tm.tm_hour = f.time_h;
  tm.tm_min = f.time_m;
  tm.tm_sec = f.time_s;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return;
  const struct timespec times[2] = {{t, 0}, {t, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

bool SafeCabinetName(const std::string& storedName) {
  const std::string name = LocalPath(storedName);
  if (name.empty() || name.front() == '/' || name.find('\0') != std::string::npos) return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == ".." || part == "." || (part.empty() && end == name.size())) return false;
    start = end + 1;
  }
  return true;
}

int CabExtract(const std::string& cabinet, const std::string& targetDir, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return -1;
  };
  TCabd cab;
  if (!cab.D) return fail("Cannot start the cabinet decompressor");
  cab.C = cab.D->open(cab.D, cabinet.c_str());
  if (!cab.C) return fail("Not a cabinet file: " + cabinet);
  std::vector<const mscabd_file*> files;
  for (const mscabd_file* f = cab.C->files; f; f = f->next) {
    if (!f->filename || !SafeCabinetName(f->filename))
      return fail("Unsafe name in cabinet: " + std::string(f->filename ? f->filename : ""));
    files.push_back(f);
  }
  std::string base = LocalPath(targetDir);
  if (!base.empty() && base.back() != '/') base += '/';
  for (const mscabd_file* f : files) {
    const std::string out = base + LocalPath(f->filename);
    const std::string dir = DirectoryOf(out);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    TTempFile temp(dir, "NUPD");
    if (!temp.IsOpen() || !temp.Close()) return fail("Cannot create " + out);
    const int rc = cab.D->extract(cab.D, const_cast<mscabd_file*>(f), temp.Path().c_str());
    if (rc != MSPACK_ERR_OK)
      return fail("Cannot extract " + std::string(f->filename) + " (" + std::to_string(rc) + ")");
    SetFileTime(temp.Path(), *f);
    if (!temp.RenameTo(out)) return fail("Cannot write " + out);
  }
  return 0;
}

}  // namespace lw
