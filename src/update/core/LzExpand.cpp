#include "LzExpand.h"

#include <mspack.h>
#include <sys/stat.h>

#include <cctype>
#include <memory>

#include "TempFile.h"

namespace lw {

namespace {

struct TSzdd {
  msszdd_decompressor* D = mspack_create_szdd_decompressor(nullptr);
  msszddd_header* H = nullptr;
  ~TSzdd() {
    if (D && H) D->close(D, H);
    if (D) mspack_destroy_szdd_decompressor(D);
  }
};

std::string NameFor(const std::string& path, char missing) {
  const size_t slash = path.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  if (path.size() <= nameStart + 1 || path.back() != '_') return {};
  std::string out = path.substr(0, path.size() - 1);
  if (missing == '\0') return out;
  const unsigned char before = static_cast<unsigned char>(out.back());
  out += std::islower(before) ? static_cast<char>(std::tolower(static_cast<unsigned char>(missing)))
                              : missing;
  return out;
}

}  // namespace

std::string LzExpandedName(const std::string& path) {
  TSzdd s;
  if (!s.D) return {};
  s.H = s.D->open(s.D, path.c_str());
  if (!s.H) return {};
  return NameFor(path, s.H->missing_char);
}

int64_t LzExpandedLength(const std::string& path) {
  TSzdd s;
  if (!s.D) return -1;
  s.H = s.D->open(s.D, path.c_str());
  return s.H ? static_cast<int64_t>(s.H->length) : -1;
}

bool LzExpandFile(const std::string& path, std::string* expandedName, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  TSzdd s;
  if (!s.D) return fail("Cannot start the LZ decompressor");
  s.H = s.D->open(s.D, path.c_str());
  if (!s.H) return fail("Not an LZ compressed file: " + path);
  const std::string name = NameFor(path, s.H->missing_char);
  if (name.empty()) return fail("No expanded name for " + path);
  if (expandedName) *expandedName = name;
  TTempFile temp(DirectoryOf(name), "NUPD");
  if (!temp.IsOpen() || !temp.Close()) return fail("Cannot create a file beside " + name);
  const int rc = s.D->extract(s.D, s.H, temp.Path().c_str());
  if (rc != MSPACK_ERR_OK)
    return fail("LZ expansion of " + path + " failed (" + std::to_string(rc) + ")");
  // A cut input can end the decoder early without an error: the header's length decides.
  struct stat st {};
  if (::stat(temp.Path().c_str(), &st) != 0 || st.st_size != s.H->length)
    return fail("LZ expansion of " + path + " is incomplete");
  if (!temp.RenameTo(name)) return fail("Cannot write " + name);
  return true;
}

}  // namespace lw
