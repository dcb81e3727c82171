// libFuzzer target for the Paradox reader (and the append path on whatever it accepts).
//
// Input: the bytes of a .db file, optionally followed by kBlobMark and the bytes of its .mb
// file. Tables protected with kPassword open; any other password-protected input is refused.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "DatabaseError.h"
#include "FuzzScratch.h"
#include "TableCodec.h"

namespace {

constexpr std::string_view kBlobMark = "\n--BLOBS--\n";
constexpr const char* kPassword = "fuzz";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const lw::fuzz::TFuzzInput in = lw::fuzz::SplitInput(data, size, kBlobMark);
  const std::string_view db = in.Table, mb = in.Companion;
  const bool hasBlobs = in.HasCompanion;
  const std::string base = lw::fuzz::ScratchDir("paradox") + "/t";
  unlink((base + ".mb").c_str());
  unlink((base + ".px").c_str());
  lw::fuzz::WriteFile(base + ".db", db);
  if (hasBlobs) lw::fuzz::WriteFile(base + ".mb", mb);

  // Read-only, the file is read in place through a mapping; writable, through the block
  // buffer: both must read the same and refuse the same damage with the same message.
  std::string failure[2];
  for (const bool readOnly : {true, false}) {
    lw::TOpenOptions opt;
    opt.Passwords = {kPassword};
    opt.ReadOnly = readOnly;
    std::unique_ptr<lw::TTableCodec> t;
    try {
      t = lw::OpenParadoxTable(base + ".db", opt);
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
    } catch (const lw::EDatabaseError& e) {
      failure[readOnly] = std::string("failed: ") + e.what();
      continue;
    }
    if (readOnly) continue;
    try {
      // Whatever reads as a table must also take a record without harm.
      t->Append(std::vector<lw::TValue>(t->Fields().size()));
      t->Refresh();
      if (t->RecordCount() > 0) t->Record(t->RecordCount() - 1);
    } catch (const lw::EDatabaseError&) {
    }
  }
  if (failure[0] != failure[1]) {
    std::fprintf(stderr, "read-only: %s\nwritable: %s\n", failure[1].c_str(), failure[0].c_str());
    std::abort();
  }
  return 0;
}
