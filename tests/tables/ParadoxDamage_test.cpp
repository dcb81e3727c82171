// Damaged Paradox tables: every kind of lie in a header, block or blob pointer gives an
// EDatabaseError naming the file, never a crash, a hang or a read outside a buffer (this
// runs under AddressSanitizer in `make test`).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#include "DatabaseError.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"
#include "paradox/ParadoxFormat.h"

namespace lw {
namespace {

using test::Def;
using test::ReadFile;

namespace fs = std::filesystem;
using paradox::PutU16;
using paradox::PutU32;
using test::TTempDir;

uint32_t GetU32At(const std::string& s, size_t at) {
  return paradox::GetU32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

// A sound table of three blocks with memos in the .mb (small and large ones).
struct TSample {
  TTempDir Dir;
  std::string Db = Dir.File("t.db");
  std::string Mb = Dir.File("t.mb");
  std::string DbBytes, MbBytes;
  static constexpr size_t kHeader = 2048, kBlock = 4096, kRecord = 39;

  TSample() {
    CreateParadoxTable(
        Db, {Def("Id", ftAutoInc), Def("Name", ftString, 20), Def("Note", ftMemo, 5)}, {});
    TOpenOptions opt;
    auto t = OpenParadoxTable(Db, opt);
    for (int i = 0; i < 250; ++i)
      t->Append({TValue::Null(), TValue::String("n" + std::to_string(i)),
                 TValue::String(std::string(i % 2 ? 40 : 3000, static_cast<char>('a' + i % 26)))});
    t.reset();
    DbBytes = ReadFile(Db);
    MbBytes = ReadFile(Mb);
  }
  size_t Block(int n) const { return kHeader + (n - 1) * kBlock; }
};

// Opens and reads every value; the error message when something fails.
std::optional<std::string> ReadAll(const std::string& path) {
  try {
    TOpenOptions opt;
    opt.ReadOnly = true;
    auto t = OpenParadoxTable(path, opt);
    for (int64_t r = 0; r < t->RecordCount(); ++r) {
      const uint8_t* rec = t->Record(r);
      for (int f = 0; f < static_cast<int>(t->Fields().size()); ++f) {
        t->IsNull(rec, f);
        t->Value(rec, f);
        t->Text(rec, f);
      }
    }
    t->Indexes();
    return std::nullopt;
  } catch (const EDatabaseError& e) {
    return std::string(e.what());
  }
}

void ExpectError(const std::string& path, const std::string& fragment) {
  const std::optional<std::string> err = ReadAll(path);
  ASSERT_TRUE(err.has_value()) << "no error, expected one about " << fragment;
  EXPECT_NE(err->find(fs::path(path).filename().string()), std::string::npos) << *err;
  EXPECT_NE(err->find(fragment), std::string::npos) << *err;
}

TEST(ParadoxDamage, TheSampleItselfReads) {
  TSample s;
  EXPECT_FALSE(ReadAll(s.Db).has_value());
  EXPECT_EQ(s.DbBytes.size(), s.Block(4));  // three full blocks
}

TEST(ParadoxDamage, TruncatedFiles) {
  TSample s;
  WriteFile(s.Db, s.DbBytes.substr(0, 0x40));
  ExpectError(s.Db, "not a Paradox table");
  WriteFile(s.Db, s.DbBytes.substr(0, 1000));
  ExpectError(s.Db, "truncated");
  WriteFile(s.Db, s.DbBytes.substr(0, s.Block(2) + 500));  // inside the records of block 2
  ExpectError(s.Db, "truncated");
  WriteFile(s.Db, s.DbBytes.substr(0, s.Block(2)));
  ExpectError(s.Db, "truncated");
  WriteFile(s.Db, "");
  ExpectError(s.Db, "too short");
}

TEST(ParadoxDamage, HeadersThatLie) {
  TSample s;
  auto with = [&](auto change, const std::string& fragment) {
    std::string b = s.DbBytes;
    change(reinterpret_cast<uint8_t*>(b.data()));
    WriteFile(s.Db, b);
    SCOPED_TRACE(fragment);
    ExpectError(s.Db, fragment);
  };
  with([](uint8_t* h) { PutU32(h + 0x06, 1000000); }, "records");            // count
  with([](uint8_t* h) { PutU32(h + 0x06, 300); }, "block chain holds 250");  // fits, but absent
  with([](uint8_t* h) { PutU16(h + 0x0C, 9); }, "truncated");                // blocks
  with([](uint8_t* h) { PutU16(h + 0x0E, 7); }, "past the last block");      // first block
  with([](uint8_t* h) { PutU16(h + 0x02, 0xFFFF); }, "impossible header size 65535");
  with([](uint8_t* h) { PutU16(h + 0x02, 0x20); }, "header size");
  with([](uint8_t* h) { PutU16(h + 0x00, 40); }, "does not match");  // record size
  with([](uint8_t* h) { PutU16(h + 0x00, 0); }, "record size 0");
  with([](uint8_t* h) { h[0x05] = 0; }, "block size");
  with([](uint8_t* h) { h[0x05] = 99; }, "block size");
  with([](uint8_t* h) { h[0x04] = 1; }, "index file");
  with([](uint8_t* h) { h[0x04] = 77; }, "unknown file type");
  with([](uint8_t* h) { h[0x39] = 2; }, "version");
  with([](uint8_t* h) { PutU16(h + 0x21, 0); }, "field count");
  with([](uint8_t* h) { PutU16(h + 0x21, 0x8000); }, "field count");
  with([](uint8_t* h) { PutU16(h + 0x21, 200); }, "field");
  with([](uint8_t* h) { PutU16(h + 0x21, 255); }, "impossible field count 255");
  with([](uint8_t* h) { PutU16(h + 0x23, 9); }, "key field count");
  with([](uint8_t* h) { h[0x78 + 2] = 0x42; }, "unsupported Paradox field type 0x42");
  with([](uint8_t* h) { h[0x78 + 3] = 0; }, "width 0");
  with([](uint8_t* h) { h[0x78 + 5] = 3; }, "blob width");
  with([](uint8_t* h) { std::memset(h + 0x78 + 6 + 12 + 261, 'x', 2048 - 0x78 - 6 - 12 - 261); },
       "names");
  // A header size a table could have, past the end of a file cut short.
  std::string cut = s.DbBytes.substr(0, 0x1800);
  PutU16(reinterpret_cast<uint8_t*>(cut.data()) + 0x02, 0x2000);
  WriteFile(s.Db, cut);
  ExpectError(s.Db, "truncated");
}

TEST(ParadoxDamage, BlockChainsThatLie) {
  TSample s;
  auto with = [&](int block, int at, uint16_t value, const std::string& fragment) {
    std::string b = s.DbBytes;
    PutU16(reinterpret_cast<uint8_t*>(b.data()) + s.Block(block) + at, value);
    WriteFile(s.Db, b);
    SCOPED_TRACE(fragment);
    ExpectError(s.Db, fragment);
  };
  with(2, 0, 1, "loops");  // next points back at the first block
  with(2, 0, 2, "loops");  // at itself
  with(1, 0, 60000, "past the last block");
  with(1, 0, 0, "block chain holds");           // chain ends early
  with(1, 4, 5000, "impossible record count");  // more than a block holds
  with(1, 4, 7, "impossible record count");     // not a multiple of the record size
}

TEST(ParadoxDamage, BlobPointersThatLie) {
  TSample s;
  // Record 0 holds a 3000-byte memo (its own .mb block), record 1 a 40-byte one (shared block).
  const size_t desc0 = s.Block(1) + 6 + 24 + 5;
  const size_t desc1 = desc0 + s.kRecord;
  auto with = [&](size_t at, uint32_t value, const std::string& fragment, const std::string& file) {
    std::string b = s.DbBytes;
    PutU32(reinterpret_cast<uint8_t*>(b.data()) + at, value);
    WriteFile(s.Db, b);
    SCOPED_TRACE(fragment);
    const std::optional<std::string> err = ReadAll(s.Db);
    ASSERT_TRUE(err.has_value());
    EXPECT_NE(err->find(file), std::string::npos) << *err;
    EXPECT_NE(err->find(fragment), std::string::npos) << *err;
    const std::string record = at < desc1 ? "record 1, field" : "record 2, field";
    EXPECT_NE(err->find(record), std::string::npos) << *err;
  };
  with(desc0, 0x7FFFFF00 | 0xFF, "past the end", "t.mb");
  with(desc0, 0x00000000, "damaged blob pointer", "t.db");
  with(desc0, 0x00000800 | 0xFF, "non-blob block", "t.mb");  // inside the header unit
  with(desc0 + 4, 100000, "damaged blob", "t.mb");           // length beyond its block
  with(desc1, (GetU32At(s.DbBytes, desc1) & ~0xFFu) | 200, "index 200", "t.mb");
  with(desc1 + 4, 41, "damaged blob", "t.mb");  // length differs from its entry
  // A blob block that claims more data than the file has.
  std::string mb = s.MbBytes;
  mb.resize(mb.size() - 4096);
  WriteFile(s.Db, s.DbBytes);
  WriteFile(s.Mb, mb);
  EXPECT_TRUE(ReadAll(s.Db).has_value());
}

// Random corruption anywhere in both files: only clean errors, whatever the bytes.
TEST(ParadoxDamage, RandomCorruptionNeverCrashes) {
  TSample s;
  std::mt19937 rng(12345);
  int errors = 0;
  for (int round = 0; round < 200; ++round) {
    std::string db = s.DbBytes, mb = s.MbBytes;
    std::string& target = round % 3 == 2 ? mb : db;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) {
      // Mostly the header and block headers, where the structure lives.
      size_t at = rng() % 4 == 0 ? rng() % target.size()
                                 : (rng() % 2 ? rng() % 0x200 : s.Block(1 + rng() % 3) + rng() % 8);
      target[at % target.size()] = static_cast<char>(rng());
    }
    WriteFile(s.Db, db);
    WriteFile(s.Mb, mb);
    if (ReadAll(s.Db)) ++errors;
  }
  EXPECT_GT(errors, 25);
}

}  // namespace
}  // namespace lw
