// libFuzzer target for the dBase reader (and the append path on whatever it accepts).
//
// Input: the bytes of a .dbf file, optionally followed by kMemoMark and the bytes of its memo
// file (written as .fpt for FoxPro version bytes, .dbt otherwise).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "DatabaseError.h"
#include "FuzzScratch.h"
#include "TableCodec.h"

namespace {

constexpr std::string_view kMemoMark = "\n--MEMO--\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const lw::fuzz::TFuzzInput in = lw::fuzz::SplitInput(data, size, kMemoMark);
  const std::string_view dbf = in.Table, memo = in.Companion;
  const bool hasMemo = in.HasCompanion;
  const std::string base = lw::fuzz::ScratchDir("dbase") + "/t";
  const bool fox = !dbf.empty() && (static_cast<uint8_t>(dbf[0]) == 0xF5 ||
                                    (static_cast<uint8_t>(dbf[0]) & 0xF0) == 0x30);
  unlink((base + ".dbt").c_str());
  unlink((base + ".fpt").c_str());
  lw::fuzz::WriteFile(base + ".dbf", dbf);
  if (hasMemo) lw::fuzz::WriteFile(base + (fox ? ".fpt" : ".dbt"), memo);

  try {
    auto t = lw::OpenDbaseTable(base + ".dbf", {});
    (void)t->Info();
    const int fields = static_cast<int>(t->Fields().size());
    for (int64_t r = 0; r < t->RecordCount(); ++r) {
      const uint8_t* rec = t->Record(r);
      for (int f = 0; f < fields; ++f) {
        try {
          t->IsNull(rec, f);
          (void)t->Value(rec, f).ToString();
          if (t->Fields()[f].DataType == lw::ftString) (void)t->Text(rec, f);
        } catch (const lw::EDatabaseError&) {
        }
      }
    }
    // Reading back what we append exercises the writer on every header the reader accepts.
    std::vector<lw::TValue> values(static_cast<size_t>(fields));
    for (int f = 0; f < fields; ++f) {
      switch (t->Fields()[f].DataType) {
        case lw::ftString:
        case lw::ftMemo:
          values[f] = lw::TValue::String("fuzz");
          break;
        case lw::ftBoolean:
          values[f] = lw::TValue::Boolean(true);
          break;
        case lw::ftSmallint:
        case lw::ftInteger:
          values[f] = lw::TValue::Integer(7);
          break;
        default:
          break;
      }
    }
    t->Append(values);
    t->Refresh();
    const uint8_t* rec = t->Record(t->RecordCount() - 1);
    for (int f = 0; f < fields; ++f) (void)t->Value(rec, f);
  } catch (const lw::EDatabaseError&) {
  }
  return 0;
}
