#include "CabExtract.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "CabMszip.h"
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
  SetCabinetFileTime(path, f.date_y, f.date_m, f.date_d, f.time_h, f.time_m, f.time_s);
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

int64_t CabDeclaredSize(const std::string& path) {
  TCabd cab;
  if (!cab.D) return -1;
  cab.C = cab.D->open(cab.D, path.c_str());
  if (!cab.C) return -1;
  int64_t total = 0;
  for (const mscabd_file* f = cab.C->files; f; f = f->next) total += f->length;
  return total;
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
  if (const int fast = CabExtractMszip(cabinet, base, error); fast <= 0) return fast;
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
