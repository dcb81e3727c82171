// libFuzzer target for the Paradox reader (and the append path on whatever it accepts).
//
// Input: the bytes of a .db file, optionally followed by kBlobMark and the bytes of its .mb
// file. Tables protected with kPassword open; any other password-protected input is refused.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DatabaseError.h"
#include "TableCodec.h"

namespace {

constexpr std::string_view kBlobMark = "\n--BLOBS--\n";
constexpr const char* kPassword = "fuzz";

char gDir[] = "/tmp/fuzz-paradox-XXXXXX";

void RemoveWorkDir() {
  for (const char* name : {"/t.db", "/t.mb", "/t.px"}) unlink((std::string(gDir) + name).c_str());
  rmdir(gDir);
}

const std::string& WorkDir() {
  static const std::string dir = [] {
    if (!mkdtemp(gDir)) return std::string("/tmp");
    std::atexit(RemoveWorkDir);
    return std::string(gDir);
  }();
  return dir;
}

void Write(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view db = input, mb;
  bool hasBlobs = false;
  if (size_t at = input.rfind(kBlobMark); at != std::string_view::npos) {
    db = input.substr(0, at);
    mb = input.substr(at + kBlobMark.size());
    hasBlobs = true;
  }
  const std::string base = WorkDir() + "/t";
  unlink((base + ".mb").c_str());
  unlink((base + ".px").c_str());
  Write(base + ".db", db);
  if (hasBlobs) Write(base + ".mb", mb);

  lw::TOpenOptions opt;
  opt.Passwords = {kPassword};
  try {
    auto t = lw::OpenParadoxTable(base + ".db", opt);
    const int fields = static_cast<int>(t->Fields().size());
    for (int64_t r = 0; r < t->RecordCount(); ++r) {
      const uint8_t* rec = t->Record(r);
      for (int f = 0; f < fields; ++f) {
        t->IsNull(rec, f);
        try {
          t->Value(rec, f);
        } catch (const lw::EDatabaseError&) {
          // A bad blob pointer spoils one value, not the scan.
        }
        t->Text(rec, f);
      }
    }
    t->Indexes();
    t->Info();
    // Whatever reads as a table must also take a record without harm.
    t->Append(std::vector<lw::TValue>(fields));
    t->Refresh();
    if (t->RecordCount() > 0) t->Record(t->RecordCount() - 1);
  } catch (const lw::EDatabaseError&) {
  }
  return 0;
}
