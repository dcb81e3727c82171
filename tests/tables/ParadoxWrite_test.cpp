// Paradox tables we create and write: every field kind through a round trip, keyed order with
// block splits, inserts in unkeyed tables, passwords, and sharing between open codecs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

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
using test::TTempDir;

TIndexDef Primary(const std::string& fields) {
  TIndexDef ix;
  ix.Fields = fields;
  ix.Options = ixPrimary | ixUnique;
  return ix;
}

std::unique_ptr<TTableCodec> Open(const std::string& path, std::vector<std::string> passwords = {},
                                  bool exclusive = false) {
  TOpenOptions opt;
  opt.Passwords = std::move(passwords);
  opt.Exclusive = exclusive;
  return OpenParadoxTable(path, opt);
}

// What the table object does before it posts: convert each value to the field's kind.
std::vector<TValue> Converted(const TTableCodec& t, const std::vector<TValue>& values) {
  std::vector<TValue> out;
  for (size_t i = 0; i < values.size(); ++i)
    out.push_back(ConvertValue(values[i], t.Fields()[i].DataType, t.Fields()[i].Name));
  return out;
}

void Post(TTableCodec& t, const std::vector<TValue>& values) {
  t.Append(Converted(t, values));
}

std::vector<TValue> Row(TTableCodec& t, int64_t r) {
  const uint8_t* rec = t.Record(r);
  std::vector<TValue> out;
  for (size_t f = 0; f < t.Fields().size(); ++f) out.push_back(t.Value(rec, static_cast<int>(f)));
  return out;
}

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + seed * 13) % 251);
  return s;
}

std::vector<TFieldDef> EveryKind() {
  return {Def("Name", ftString, 20), Def("When", ftDate),         Def("Small", ftSmallint),
          Def("Big", ftInteger),     Def("Money", ftCurrency),    Def("Num", ftFloat),
          Def("Flag", ftBoolean),    Def("Note", ftMemo, 10),     Def("Bin", ftBlob, 0),
          Def("Fmt", ftFmtMemo, 5),  Def("Ole", ftParadoxOle, 0), Def("Pic", ftGraphic, 0),
          Def("Clock", ftTime),      Def("Stamp", ftDateTime),    Def("Id", ftAutoInc),
          Def("Dec", ftBCD, 2),      Def("Raw", ftBytes, 6)};
}

std::vector<std::vector<TValue>> EveryKindRows() {
  const int64_t day = DayNumberFromCivil(2024, 2, 29);
  return {
      {TValue::String("Alpha"), TValue::Date(day), TValue::Integer(-32767),
       TValue::Integer(2147483647), TValue::Float(1234.5678), TValue::Float(-0.000123),
       TValue::Boolean(true),
       TValue::String("short"),  // inline in the leader
       TValue::Bytes(Pattern(100, 1)), TValue::String(Pattern(3000, 2)),
       TValue::Bytes(Pattern(50, 3)), TValue::Bytes("BM" + Pattern(9000, 4)),
       TValue::Time(86399999), TValue::DateTime(int64_t{day} * 86400000 + 3723004),
       TValue::Integer(99), TValue::Float(-12.25), TValue::Bytes(std::string("\0\1\2\3\4\5", 6))},
      {TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(),
       TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(),
       TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(),
       TValue::Null(), TValue::Null()},
      {TValue::String(std::string(20, 'z')), TValue::Date(1), TValue::Integer(0),
       TValue::Integer(-2147483647), TValue::Float(0.0), TValue::Float(1e300),
       TValue::Boolean(false), TValue::String(Pattern(2048, 5)), TValue::Bytes(Pattern(2049, 6)),
       TValue::String("0123456789"), TValue::Bytes(Pattern(70000, 7)), TValue::Bytes("x"),
       TValue::Time(0), TValue::DateTime(86400000), TValue::Null(), TValue::Float(0),
       TValue::Bytes("ab")},
  };
}

TEST(ParadoxWrite, EveryFieldKindSurvivesARoundTrip) {
  TTempDir dir;
  const std::string path = dir.File("every.db");
  CreateParadoxTable(path, EveryKind(), {});
  const auto rows = EveryKindRows();
  {
    auto t = Open(path);
    for (const auto& row : rows) Post(*t, row);
    EXPECT_EQ(t->RecordCount(), 3);
  }
  auto t = Open(path);
  ASSERT_EQ(t->Fields().size(), EveryKind().size());
  for (size_t f = 0; f < EveryKind().size(); ++f) {
    EXPECT_EQ(t->Fields()[f].Name, EveryKind()[f].Name);
    EXPECT_EQ(t->Fields()[f].DataType, EveryKind()[f].DataType);
  }
  EXPECT_EQ(t->Fields()[0].Size, 20);
  EXPECT_EQ(t->Fields()[7].Size, 10);  // blob size: the leader kept in the record
  EXPECT_EQ(t->Fields()[15].Size, 2);  // BCD size: decimals
  EXPECT_EQ(t->Info().Format, "Paradox 7.x");
  EXPECT_EQ(t->Info().CodePage, 1252);
  for (int64_t r = 0; r < 3; ++r) {
    std::vector<TValue> got = Row(*t, r);
    for (size_t f = 0; f < got.size(); ++f) {
      TValue want = ConvertValue(rows[r][f], EveryKind()[f].DataType, "x");
      if (EveryKind()[f].DataType == ftAutoInc) want = TValue::Integer(r + 1);
      if (EveryKind()[f].DataType == ftBytes && !want.IsNull())
        want = TValue::Bytes(want.Str() + std::string(6 - want.Str().size(), '\0'));
      EXPECT_TRUE(got[f] == want) << "record " << r << " field " << EveryKind()[f].Name << ": "
                                  << got[f].ToString().substr(0, 40);
      EXPECT_EQ(t->IsNull(t->Record(r), static_cast<int>(f)), want.IsNull());
    }
  }
  EXPECT_EQ(t->Text(t->Record(0), 0), "Alpha");
  EXPECT_EQ(t->Text(t->Record(2), 0), std::string(20, 'z'));  // full width, no terminator
  // The record keeps a copy of a blob's first bytes in the leader.
  const std::string db = ReadFile(path);
  EXPECT_NE(db.find("short"), std::string::npos);
}

TEST(ParadoxWrite, AutoIncrementContinuesFromTheHeader) {
  TTempDir dir;
  const std::string path = dir.File("auto.db");
  CreateParadoxTable(path, {Def("Id", ftAutoInc), Def("Text", ftString, 5)}, {Primary("Id")});
  for (int round = 0; round < 3; ++round) {
    auto t = Open(path);
    for (int i = 0; i < 50; ++i) Post(*t, {TValue::Integer(7), TValue::String("v")});
  }
  auto t = Open(path);
  ASSERT_EQ(t->RecordCount(), 150);
  for (int64_t r = 0; r < 150; ++r) EXPECT_EQ(t->Value(t->Record(r), 0).Int(), r + 1);
}

TEST(ParadoxWrite, ValuesThatDoNotFitAreRefused) {
  TTempDir dir;
  const std::string path = dir.File("range.db");
  CreateParadoxTable(path, {Def("S", ftSmallint), Def("B", ftBCD, 30), Def("K", ftInteger)},
                     {Primary("S")});
  auto t = Open(path);
  EXPECT_THROW(t->Append({TValue::Integer(40000), TValue::Null(), TValue::Null()}), EDatabaseError);
  EXPECT_THROW(t->Append({TValue::Integer(1), TValue::Float(1000), TValue::Null()}),
               EDatabaseError);
  t->Append({TValue::Integer(1), TValue::Float(99.5), TValue::Null()});
  try {
    t->Append({TValue::Integer(1), TValue::Null(), TValue::Null()});
    ADD_FAILURE() << "duplicate key stored";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("key violation"), std::string::npos) << e.what();
  }
  EXPECT_EQ(t->RecordCount(), 1);
  EXPECT_EQ(t->Value(t->Record(0), 1).Dbl(), 99.5);
}

TEST(ParadoxWrite, CreateRefusesWhatParadoxCannotHold) {
  TTempDir dir;
  const std::string path = dir.File("bad.db");
  auto refuses = [&](const std::vector<TFieldDef>& f, const std::vector<TIndexDef>& ix,
                     const char* what) {
    try {
      CreateParadoxTable(path, f, ix);
      ADD_FAILURE() << "accepted: " << what;
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  };
  refuses({}, {}, "no fields");
  refuses({Def("A", ftString, 0)}, {}, "alpha without size");
  refuses({Def("A", ftString, 256)}, {}, "alpha too wide");
  refuses({Def("A", ftInteger), Def("a", ftInteger)}, {}, "duplicate name");
  refuses({Def(std::string(26, 'n'), ftInteger)}, {}, "long name");
  refuses({Def("A", ftWord)}, {}, "kind without Paradox form");
  refuses({Def("A", ftInteger), Def("B", ftInteger)}, {Primary("B")}, "key not leading");
  refuses({Def("M", ftMemo, 10)}, {Primary("M")}, "blob key");
  refuses({Def("M", ftMemo, 241)}, {}, "leader too long");
  EXPECT_FALSE(fs::exists(path));
}

TEST(ParadoxWrite, CreateReplacesTheOldTableAndItsCompanions) {
  TTempDir dir;
  const std::string path = dir.File("old.db");
  CreateParadoxTable(path, {Def("K", ftInteger), Def("M", ftMemo, 1)}, {Primary("K")});
  { std::ofstream(dir.File("old.X02")) << "stale"; }
  { std::ofstream(dir.File("old.val")) << "stale"; }
  Post(*Open(path), {TValue::Integer(1), TValue::String(Pattern(500, 1))});
  CreateParadoxTable(path, {Def("T", ftString, 3)}, {});
  EXPECT_FALSE(fs::exists(dir.File("old.mb")));
  EXPECT_FALSE(fs::exists(dir.File("old.px")));
  EXPECT_FALSE(fs::exists(dir.File("old.X02")));
  EXPECT_FALSE(fs::exists(dir.File("old.val")));
  auto t = Open(path);
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_EQ(t->Fields().size(), 1u);
  // A table that is open elsewhere is not replaced under its reader.
  EXPECT_THROW(CreateParadoxTable(path, {Def("T", ftString, 3)}, {}), EDatabaseError);
}

// Keys arrive in random order; the table keeps key order through many block splits, and the
// primary index (two levels: the keys are wide) counts every record once.
TEST(ParadoxWrite, KeyedTableKeepsKeyOrderThroughSplits) {
  TTempDir dir;
  const std::string path = dir.File("keyed.db");
  std::vector<TFieldDef> defs = {Def("Key", ftString, 200), Def("Num", ftInteger)};
  for (int i = 0; i < 12; ++i) defs.push_back(Def("Pad" + std::to_string(i), ftString, 255));
  CreateParadoxTable(path, defs, {Primary("Key")});
  std::vector<int> keys(3000);
  for (int i = 0; i < 3000; ++i) keys[i] = i * 3;
  std::mt19937 rng(7);
  std::shuffle(keys.begin(), keys.end(), rng);
  auto name = [](int k) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "k%06d", k);
    return std::string(buf);
  };
  auto t = Open(path);
  for (int k : keys) {
    std::vector<TValue> row = {TValue::String(name(k)), TValue::Integer(k)};
    row.resize(defs.size());
    Post(*t, row);
  }
  std::sort(keys.begin(), keys.end());
  auto check = [&](TTableCodec& c) {
    ASSERT_EQ(c.RecordCount(), 3000);
    for (int64_t r = 0; r < 3000; ++r) {
      ASSERT_EQ(c.Text(c.Record(r), 0), name(keys[r])) << r;
      ASSERT_EQ(c.Value(c.Record(r), 1).Int(), keys[r]);
    }
  };
  check(*t);
  t.reset();
  auto reopened = Open(path);
  check(*reopened);
  EXPECT_TRUE(reopened->Info().Keyed);
  ASSERT_EQ(reopened->Indexes().size(), 1u);
  EXPECT_EQ(reopened->Indexes()[0].Fields, "Key");

  const std::string px = ReadFile(dir.File("keyed.px"));
  ASSERT_GE(px.size(), 2048u);
  const auto* h = reinterpret_cast<const uint8_t*>(px.data());
  EXPECT_EQ(h[4], 1);  // primary index file
  const int recSize = paradox::GetU16(h), blockSize = h[5] * 1024, levels = h[0x20];
  const int blocks = paradox::GetU16(h + 0x0C);
  ASSERT_EQ(levels, 2);
  int64_t level1 = 0;
  for (int b = 2; b <= blocks; ++b) {  // block 1 is the root
    const uint8_t* block = h + 2048 + (b - 1) * blockSize;
    const int n = static_cast<int16_t>(paradox::GetU16(block + 4)) / recSize + 1;
    for (int e = 0; e < n; ++e) {
      const uint8_t* entry = block + 6 + e * recSize + 200;
      level1 += ((entry[2] & 0x7F) << 8) | entry[3];
    }
  }
  EXPECT_EQ(level1, 3000);
}

TEST(ParadoxWrite, KeyOrderFollowsTheStoredBytes) {
  TTempDir dir;
  const std::string path = dir.File("text.db");
  CreateParadoxTable(path, {Def("Name", ftString, 8), Def("N", ftFloat)}, {Primary("Name;N")});
  auto t = Open(path);
  const std::vector<std::pair<std::string, double>> in = {
      {"b", 2}, {"a", -1.5}, {"ab", 0}, {"a", 3}, {"", 1}, {"b", -100}, {"a", 0}};
  for (const auto& [s, n] : in) Post(*t, {TValue::String(s), TValue::Float(n)});
  std::vector<std::pair<std::string, double>> sorted = in;
  std::sort(sorted.begin(), sorted.end());
  for (int64_t r = 0; r < static_cast<int64_t>(sorted.size()); ++r) {
    EXPECT_EQ(std::string(t->Text(t->Record(r), 0)), sorted[r].first) << r;
    EXPECT_EQ(t->Value(t->Record(r), 1).Dbl(), sorted[r].second) << r;
  }
}

TEST(ParadoxWrite, InsertPlacesRecordsInUnkeyedTables) {
  TTempDir dir;
  const std::string path = dir.File("ins.db");
  CreateParadoxTable(path, {Def("V", ftInteger), Def("Pad", ftString, 200)}, {});
  auto t = Open(path);
  std::vector<int> model;
  std::mt19937 rng(3);
  for (int i = 0; i < 600; ++i) {
    const int64_t pos = model.empty() ? 0 : static_cast<int64_t>(rng() % (model.size() + 1));
    t->Insert(pos, Converted(*t, {TValue::Integer(i), TValue::String("p")}));
    model.insert(model.begin() + pos, i);
  }
  auto check = [&](TTableCodec& c) {
    ASSERT_EQ(c.RecordCount(), 600);
    for (int64_t r = 0; r < 600; ++r) ASSERT_EQ(c.Value(c.Record(r), 0).Int(), model[r]) << r;
  };
  check(*t);
  check(*Open(path));
}

TEST(ParadoxWrite, PostedRecordsReachOtherCodecsAfterRefresh) {
  TTempDir dir;
  const std::string path = dir.File("shared.db");
  CreateParadoxTable(path, {Def("Id", ftAutoInc), Def("Text", ftString, 50), Def("M", ftMemo, 5)},
                     {});
  auto writer = Open(path);
  auto reader = Open(path);
  for (int i = 0; i < 500; ++i) {
    Post(*writer,
         {TValue::Null(), TValue::String("w" + std::to_string(i)), TValue::String(Pattern(40, i))});
    if (i % 97 == 0) {
      reader->Refresh();
      ASSERT_EQ(reader->RecordCount(), i + 1);
      ASSERT_EQ(reader->Text(reader->Record(i), 1), "w" + std::to_string(i));
      ASSERT_EQ(reader->Value(reader->Record(i), 2).Str(), Pattern(40, i));
    }
  }
  // The reader writes too; both keep one auto-increment sequence.
  Post(*reader, {TValue::Null(), TValue::String("r"), TValue::Null()});
  Post(*writer, {TValue::Null(), TValue::String("w"), TValue::Null()});
  writer->Refresh();
  reader->Refresh();
  ASSERT_EQ(reader->RecordCount(), 502);
  for (auto* c : {writer.get(), reader.get()})
    for (int64_t r = 0; r < 502; ++r) ASSERT_EQ(c->Value(c->Record(r), 0).Int(), r + 1);
  EXPECT_EQ(writer->Text(writer->Record(500), 1), "r");
  // Inserts in the middle move records between blocks: the other codec rebuilds its view.
  for (int i = 0; i < 40; ++i)
    writer->Insert(3, Converted(*writer, {TValue::Null(), TValue::String("mid"), TValue::Null()}));
  reader->Refresh();
  ASSERT_EQ(reader->RecordCount(), 542);
  for (int64_t r = 3; r < 43; ++r) EXPECT_EQ(reader->Text(reader->Record(r), 1), "mid");
  EXPECT_EQ(reader->Text(reader->Record(43), 1), "w3");
}

// A reader refreshing while another thread appends sees every counted record whole: the
// record bytes reach the file before the counts that make them visible. A reader opened
// read-only reads the file through a mapping made when it opened: the records appended later
// are read past its end, and in the last block as it changes under the mapping.
TEST(ParadoxWrite, ConcurrentReaderNeverSeesHalfARecord) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only reader" : "reader");
    TTempDir dir;
    const std::string path = dir.File("live.db");
    CreateParadoxTable(path, {Def("Id", ftAutoInc), Def("Text", ftString, 120)}, {});
    auto text = [](int64_t id) {
      return std::string(1 + id % 119, static_cast<char>('a' + id % 26));
    };
    constexpr int kRecords = 20000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
      auto t = Open(path);
      for (int64_t i = 1; i <= kRecords; ++i) Post(*t, {TValue::Null(), TValue::String(text(i))});
      done = true;
    });
    TOpenOptions opt;
    opt.ReadOnly = readOnly;
    auto reader = OpenParadoxTable(path, opt);
    int64_t seen = 0;
    int checks = 0;
    while (!done || seen < kRecords) {
      reader->Refresh();
      const int64_t n = reader->RecordCount();
      ASSERT_GE(n, seen);
      for (int64_t r = seen; r < n; ++r) {
        const uint8_t* rec = reader->Record(r);
        ASSERT_EQ(reader->Value(rec, 0).Int(), r + 1);
        ASSERT_EQ(reader->Text(rec, 1), text(r + 1)) << r;
        ++checks;
      }
      seen = n;
    }
    writer.join();
    EXPECT_EQ(checks, kRecords);
  }
}

// A read-only reader reads the file in place; when another program shrinks the file under
// it, reading on fails with the table's error, as a read of the file would, not a crash.
TEST(ParadoxWrite, ReadOnlyReaderOfAShrunkFileFailsWithATableError) {
  TTempDir dir;
  const std::string path = dir.File("shrunk.db");
  CreateParadoxTable(path, {Def("Id", ftAutoInc), Def("Text", ftString, 200)}, {});
  for (auto t = Open(path); t->RecordCount() < 3000;)
    Post(*t, {TValue::Null(), TValue::String("x")});
  for (const bool shrink : {false, true}) {
    SCOPED_TRACE(shrink ? "shrunk" : "intact");
    TOpenOptions ro;
    ro.ReadOnly = true;
    auto reader = OpenParadoxTable(path, ro);
    ASSERT_EQ(reader->Value(reader->Record(0), 0).Int(), 1);
    ASSERT_EQ(::truncate(path.c_str(), fs::file_size(path) / (shrink ? 2 : 1)), 0);
    int64_t read = 0;
    try {
      for (; read < reader->RecordCount(); ++read) {
        ASSERT_EQ(reader->Value(reader->Record(read), 0).Int(), read + 1);
      }
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("shrunk.db: file is truncated"), std::string::npos);
    }
    EXPECT_EQ(read == 3000, !shrink) << read;
  }
}

TEST(ParadoxWrite, ExclusiveAndReadOnlyOpening) {
  TTempDir dir;
  const std::string path = dir.File("lock.db");
  CreateParadoxTable(path, {Def("A", ftString, 4)}, {});
  {
    auto excl = Open(path, {}, true);
    EXPECT_THROW(Open(path), EDatabaseError);
    EXPECT_THROW(Open(path, {}, true), EDatabaseError);
  }
  auto shared = Open(path);
  EXPECT_THROW(Open(path, {}, true), EDatabaseError);
  TOpenOptions ro;
  ro.ReadOnly = true;
  auto reader = OpenParadoxTable(path, ro);
  EXPECT_THROW(reader->Append({TValue::String("x")}), EDatabaseError);
}

// A record whose count never reached the header (a writer killed mid-post) stays invisible,
// and the table takes new records after it.
TEST(ParadoxWrite, UncountedRecordBytesAreIgnored) {
  TTempDir dir;
  const std::string path = dir.File("crash.db");
  CreateParadoxTable(path, {Def("A", ftString, 4)}, {});
  Post(*Open(path), {TValue::String("one")});
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096 + 6 + 4);
    f.write("junk", 4);  // bytes of a second record, block and header counts unchanged
  }
  auto t = Open(path);
  EXPECT_EQ(t->RecordCount(), 1);
  Post(*t, {TValue::String("two")});
  EXPECT_EQ(t->Text(t->Record(1), 0), "two");
}

// A writer killed between its stores leaves the last block counting a record, or linking a new
// block, that the header never counted. Neither exists for readers, and the next writer stores
// over them instead of failing on the record's key or on the link.
TEST(ParadoxWrite, StoresTheHeaderNeverCountedAreTakenOver) {
  TTempDir dir;
  const std::string path = dir.File("died.db");
  CreateParadoxTable(path, {Def("Id", ftAutoInc), Def("Text", ftString, 5)}, {Primary("Id")});
  {
    auto t = Open(path);
    for (const char* text : {"a", "b", "c"}) Post(*t, {TValue::Null(), TValue::String(text)});
  }
  std::string bytes = ReadFile(path);
  auto u16 = [&](size_t at) {
    return static_cast<size_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
  };
  const size_t recordSize = u16(0), headerSize = u16(2), blockSize = 1024 * bytes[5];
  const size_t block = headerSize + (u16(paradox::hdr::kLastBlock) - 1) * blockSize;
  // The fourth record, complete and counted by its block, but not by the header.
  std::string rec(recordSize, '\0');
  rec[0] = static_cast<char>(0x80);
  rec[3] = 4;
  rec.replace(4, 4, "lost");
  bytes.replace(block + 6 + 3 * recordSize, recordSize, rec);
  bytes[block + 4] = static_cast<char>(3 * recordSize);
  bytes[block + 5] = static_cast<char>((3 * recordSize) >> 8);
  // And a link to a new block the header does not have.
  bytes[block] = static_cast<char>(u16(paradox::hdr::kFileBlocks) + 1);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  auto reader = Open(path);
  EXPECT_EQ(reader->RecordCount(), 3);
  auto t = Open(path);
  Post(*t, {TValue::Null(), TValue::String("d")});
  Post(*t, {TValue::Null(), TValue::String("e")});
  auto again = Open(path);
  ASSERT_EQ(again->RecordCount(), 5);
  for (int64_t r = 0; r < 5; ++r) {
    EXPECT_EQ(Row(*again, r)[0].Int(), r + 1);
    EXPECT_EQ(Row(*again, r)[1].Str(), std::string(1, static_cast<char>('a' + r)));
  }
}

TEST(ParadoxWrite, PasswordProtectedTables) {
  TTempDir dir;
  const std::string path = dir.File("secret.db");
  CreateParadoxTable(path, {Def("A", ftString, 30), Def("M", ftMemo, 1)}, {}, "Open Sesame");
  EXPECT_THROW(Open(path), EDatabaseError);
  {
    auto t = Open(path, {"Open Sesame"});
    EXPECT_TRUE(t->Info().Encrypted);
    for (int i = 0; i < 300; ++i)
      Post(*t, {TValue::String("plain text number " + std::to_string(i)),
                TValue::String("memo text " + std::string(i % 2 ? 3000 : 100, 'q'))});
  }
  EXPECT_EQ(ReadFile(path).find("plain text"), std::string::npos);
  EXPECT_EQ(ReadFile(dir.File("secret.mb")).find("memo text"), std::string::npos);
  auto t = Open(path, {"Open Sesame"});
  ASSERT_EQ(t->RecordCount(), 300);
  EXPECT_EQ(t->Text(t->Record(299), 0), "plain text number 299");
  EXPECT_EQ(t->Value(t->Record(299), 1).Str(), "memo text " + std::string(3000, 'q'));
  EXPECT_EQ(t->Value(t->Record(2), 1).Str(), "memo text " + std::string(100, 'q'));
}

TEST(ParadoxWrite, MasterPasswordProtectsChangesAndRemoves) {
  TTempDir dir;
  const std::string path = dir.File("guard.db");
  CreateParadoxTable(path, {Def("K", ftInteger), Def("A", ftString, 30), Def("M", ftMemo, 1)},
                     {Primary("K")});
  {
    auto t = Open(path);
    for (int i = 0; i < 200; ++i)
      Post(*t, {TValue::Integer(i), TValue::String("row " + std::to_string(i)),
                TValue::String(Pattern(700, i))});
  }
  auto verify = [&](const std::vector<std::string>& pw) {
    auto t = Open(path, pw);
    ASSERT_EQ(t->RecordCount(), 200);
    for (int64_t r = 0; r < 200; r += 37) {
      EXPECT_EQ(t->Text(t->Record(r), 1), "row " + std::to_string(r));
      EXPECT_EQ(t->Value(t->Record(r), 2).Str(), Pattern(700, static_cast<int>(r)));
    }
  };
  SetParadoxMasterPassword(path, "first", {});
  EXPECT_THROW(Open(path), EDatabaseError);
  verify({"first"});
  EXPECT_EQ(ReadFile(path).find("row 1"), std::string::npos);
  EXPECT_THROW(SetParadoxMasterPassword(path, "second", {"wrong"}), EDatabaseError);
  SetParadoxMasterPassword(path, "second", {"first"});
  EXPECT_THROW(Open(path, {"first"}), EDatabaseError);
  verify({"second"});
  {
    auto open = Open(path, {"second"});
    EXPECT_THROW(SetParadoxMasterPassword(path, "", {"second"}), EDatabaseError);  // in use
  }
  SetParadoxMasterPassword(path, "", {"second"});
  verify({});
  EXPECT_FALSE(Open(path)->Info().Encrypted);
}

}  // namespace
}  // namespace lw
