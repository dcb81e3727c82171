// Tables we create and append to: layout, every field kind through a round trip, the refusals,
// and records posted through one open codec becoming visible to another.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "DatabaseError.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"
#include "dbase/DbaseTable.h"

namespace lw {
namespace {

using test::Def;
using test::ReadFile;

namespace fs = std::filesystem;
using test::TTempDir;

std::unique_ptr<dbase::TDbaseTable> Open(const std::string& path, bool readOnly = false) {
  TOpenOptions opt;
  opt.ReadOnly = readOnly;
  auto codec = OpenDbaseTable(path, opt);
  return std::unique_ptr<dbase::TDbaseTable>(dynamic_cast<dbase::TDbaseTable*>(codec.release()));
}

// What the table object does before it posts: convert each value to the field's kind.
void Post(TTableCodec& t, const std::vector<TValue>& values) {
  std::vector<TValue> converted;
  for (size_t i = 0; i < values.size(); ++i)
    converted.push_back(ConvertValue(values[i], t.Fields()[i].DataType, t.Fields()[i].Name));
  t.Append(converted);
}

int32_t Day(int y, int m, int d) {
  return DayNumberFromCivil(y, m, d);
}

TEST(DbaseWrite, HeaderLayoutMatchesOtherWriters) {
  TTempDir dir;
  // shapelib's figures: an empty table without fields is 34 bytes; one D field and one
  // record make 75.
  CreateDbaseTable(dir.File("none.dbf"), {});
  EXPECT_EQ(fs::file_size(dir.File("none.dbf")), 34u);

  const std::string path = dir.File("one.dbf");
  CreateDbaseTable(path, {Def("WHEN", ftDate)});
  EXPECT_EQ(fs::file_size(path), 66u);
  Post(*Open(path), {TValue::Date(Day(2024, 2, 29))});
  const std::string b = ReadFile(path);
  ASSERT_EQ(b.size(), 75u);
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  EXPECT_EQ(static_cast<uint8_t>(b[0]), 0x03);        // dBase III, no memo
  EXPECT_EQ(static_cast<uint8_t>(b[1]), tm.tm_year);  // year - 1900
  EXPECT_EQ(static_cast<uint8_t>(b[4]), 1);           // record count
  EXPECT_EQ(static_cast<uint8_t>(b[8]), 65);          // header length 32 + 32 + 1
  EXPECT_EQ(static_cast<uint8_t>(b[10]), 9);          // record length 1 + 8
  EXPECT_EQ(static_cast<uint8_t>(b[29]), 0x03);       // Windows ANSI
  EXPECT_EQ(b.substr(32, 5), std::string("WHEN\0", 5));
  EXPECT_EQ(b[43], 'D');
  EXPECT_EQ(b[64], '\x0D');
  EXPECT_EQ(b.substr(65, 9), " 20240229");
  EXPECT_EQ(b[74], '\x1A');
}

struct TKindCase {
  TFieldDef Def;
  TValue Value;
  TFieldType ReadType;
  std::string Expected;  // ToString() of the value read back
};

void RoundTrip(const std::vector<TKindCase>& cases, uint8_t version) {
  TTempDir dir;
  const std::string path = dir.File("kinds.dbf");
  std::vector<TFieldDef> defs;
  std::vector<TValue> values;
  for (const auto& c : cases) {
    defs.push_back(c.Def);
    values.push_back(c.Value);
  }
  CreateDbaseTable(path, defs);
  {
    auto t = Open(path);
    Post(*t, values);
    Post(*t, std::vector<TValue>(cases.size()));  // all null
    Post(*t, values);
  }
  auto t = Open(path);
  EXPECT_EQ(t->Header().Version, version);
  ASSERT_EQ(t->RecordCount(), 3);
  ASSERT_EQ(t->Fields().size(), cases.size());
  for (int r : {0, 2}) {
    const uint8_t* rec = t->Record(r);
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE(cases[i].Def.Name);
      EXPECT_EQ(t->Fields()[i].DataType, cases[i].ReadType);
      EXPECT_FALSE(t->IsNull(rec, static_cast<int>(i)));
      EXPECT_EQ(t->Value(rec, static_cast<int>(i)).ToString(), cases[i].Expected);
    }
  }
  const uint8_t* rec = t->Record(1);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].Def.Name);
    EXPECT_TRUE(t->IsNull(rec, static_cast<int>(i)));
    EXPECT_TRUE(t->Value(rec, static_cast<int>(i)).IsNull());
  }
}

TEST(DbaseWrite, EveryKindRoundTrips) {
  const std::string wide(254, 'w');
  std::string memo;
  for (int i = 0; i < 60; ++i) memo += "line " + std::to_string(i) + " of a memo\r\n";  // > 1 block
  RoundTrip(
      {
          {Def("TEXT", ftString, 10), TValue::String("abc  "), ftString, "abc"},
          {Def("WIDE", ftString, 254), TValue::String(wide), ftString, wide},
          {Def("SMALL", ftSmallint), TValue::Integer(-32767), ftInteger, "-32767"},
          {Def("WORD", ftWord), TValue::Integer(65535), ftInteger, "65535"},
          {Def("INT", ftInteger), TValue::Integer(-2147483647), ftFloat, "-2147483647"},
          {Def("AUTO", ftAutoInc), TValue::Integer(2147483647), ftFloat, "2147483647"},
          {Def("FLOAT", ftFloat), TValue::Float(-1234.567891), ftFloat, "-1234.567891"},
          {Def("LAT", ftFloat, 12, 8), TValue::Float(40.71277612), ftFloat, "40.71277612"},
          {Def("MONEY", ftCurrency), TValue::Float(99999999999.9999), ftFloat, "99999999999.9999"},
          {Def("BCD", ftBCD, 2), TValue::Float(12.34), ftFloat, "12.34"},
          {Def("FLAG", ftBoolean), TValue::Boolean(false), ftBoolean, "False"},
          {Def("DAY", ftDate), TValue::Date(Day(1, 1, 1)), ftDate, "0001-01-01"},
          {Def("TIME", ftTime), TValue::Time(((13 * 60 + 45) * 60 + 30) * 1000 + 250), ftString,
           "13:45:30"},
          {Def("STAMP", ftDateTime),
           TValue::DateTime(int64_t(Day(2024, 2, 29)) * 86'400'000 + 3'600'000), ftString,
           "2024-02-29 01:00:00"},
          {Def("NOTES", ftMemo), TValue::String(memo), ftMemo, memo},
          {Def("FMT", ftFmtMemo), TValue::String("{\\rtf1 x}"), ftMemo, "{\\rtf1 x}"},
      },
      0x83);
}

TEST(DbaseWrite, BinaryMemosUseLengthPrefixedDbase4Memos) {
  // dBase III memos end at the first 0x1A, which binary data holds; these survive as they are.
  const std::string bytes(
      "\x00\x1A\x1A\x01\xFF"
      "end",
      8);
  std::string big(3000, '\x1A');
  big[1500] = 'x';
  RoundTrip(
      {
          {Def("BLOB", ftBlob), TValue::Bytes(bytes), ftMemo, bytes},
          {Def("PIC", ftGraphic), TValue::Bytes(big), ftMemo, big},
          {Def("RAW", ftBytes, 4), TValue::Bytes(std::string("\0\1\2\3", 4)), ftMemo,
           std::string("\0\1\2\3", 4)},
          {Def("OLE", ftParadoxOle), TValue::Bytes("ole"), ftMemo, "ole"},
          {Def("NOTES", ftMemo), TValue::String("text"), ftMemo, "text"},
      },
      0x8B);
}

TEST(DbaseWrite, LogicalsAndNumbersInTheirStoredForm) {
  TTempDir dir;
  const std::string path = dir.File("n.dbf");
  CreateDbaseTable(path, {Def("L", ftBoolean), Def("N", ftFloat, 8, 2), Def("I", ftSmallint)});
  auto t = Open(path);
  Post(*t, {TValue::Boolean(true), TValue::Float(-0.004), TValue::Integer(7)});
  Post(*t, {TValue(), TValue(), TValue()});
  const std::string b = ReadFile(path);
  const size_t first = 32 * 4 + 1;
  EXPECT_EQ(b.substr(first, 16), " T    0.00     7");       // -0.004 rounds to 0.00, not -0.00
  EXPECT_EQ(b.substr(first + 16, 16), " ?              ");  // null logical is '?'
}

TEST(DbaseWrite, RefusesWhatTheFormatCannotHold) {
  TTempDir dir;
  const std::string path = dir.File("bad.dbf");
  auto refuses = [&](const std::vector<TFieldDef>& defs, const std::string& phrase) {
    try {
      CreateDbaseTable(path, defs);
      ADD_FAILURE() << "accepted: " << phrase;
    } catch (const EDatabaseError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(path), std::string::npos) << what;
      EXPECT_NE(what.find(phrase), std::string::npos) << what;
    }
    EXPECT_FALSE(fs::exists(path)) << phrase;
  };
  refuses({Def("ELEVENCHARS", ftString, 5)}, "'ELEVENCHARS' is longer than 10 characters");
  refuses({Def("Name", ftString, 5), Def("NAME", ftInteger)}, "duplicate field name 'NAME'");
  refuses({Def("", ftString, 5)}, "field 1 has no name");
  refuses({Def("A\tB", ftString, 5)}, "control character");
  refuses({Def("TEXT", ftString, 255)}, "1 to 254 characters wide, not 255");
  refuses({Def("TEXT", ftString, 0)}, "1 to 254 characters wide, not 0");
  refuses({Def("NUM", ftFloat, 21, 2)}, "1 to 20 characters wide, not 21");
  refuses({Def("NUM", ftFloat, 5, 4)}, "4 decimals do not fit a number field of width 5");
  refuses({Def("NUM", ftFloat, 0, 16)}, "16 decimals");
  refuses({Def("X", ftUnknown)}, "cannot be stored in a dBase table");
  std::vector<TFieldDef> many;
  for (int i = 0; i < 256; ++i) many.push_back(Def("F" + std::to_string(i), ftBoolean));
  refuses(many, "at most 255 fields");
}

TEST(DbaseWrite, RefusedValuesLeaveTheFileAsItWas) {
  TTempDir dir;
  const std::string path = dir.File("v.dbf");
  CreateDbaseTable(path, {Def("N", ftFloat, 6, 2), Def("M", ftMemo), Def("D", ftDate)});
  auto t = Open(path);
  Post(*t, {TValue::Float(1.5), TValue::String("ok"), TValue::Date(Day(2000, 1, 1))});
  const std::string before = ReadFile(path);
  const std::string memoBefore = ReadFile(dir.File("v.dbt"));
  // 1234.5 needs 7 characters: never store a cut-off number.
  EXPECT_THROW(Post(*t, {TValue::Float(1234.5), TValue(), TValue()}), EDatabaseError);
  EXPECT_THROW(Post(*t, {TValue::Float(NAN), TValue(), TValue()}), EDatabaseError);
  // 0x1A would end the memo early for every dBase III reader.
  EXPECT_THROW(Post(*t, {TValue(),
                         TValue::String("a\x1A"
                                        "b"),
                         TValue()}),
               EDatabaseError);
  EXPECT_THROW(Post(*t, {TValue(), TValue(), TValue::Date(Day(10000, 1, 1))}), EDatabaseError);
  EXPECT_THROW(t->Append({TValue()}), EDatabaseError);  // wrong number of values
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(ReadFile(dir.File("v.dbt")), memoBefore);
  EXPECT_EQ(t->RecordCount(), 1);
}

TEST(DbaseWrite, PostedRecordsReachOtherOpenCodecs) {
  TTempDir dir;
  const std::string path = dir.File("shared.dbf");
  CreateDbaseTable(path, {Def("NAME", ftString, 10), Def("NOTE", ftMemo)});
  auto a = Open(path);
  auto b = Open(path);
  Post(*a, {TValue::String("first"), TValue::String("memo of first")});
  EXPECT_EQ(a->RecordCount(), 1);
  EXPECT_EQ(b->RecordCount(), 0);  // as of its last header read
  b->Refresh();
  ASSERT_EQ(b->RecordCount(), 1);
  EXPECT_EQ(b->Text(b->Record(0), 0), "first");
  // b appends without refreshing first: it must not overwrite a's record or memo.
  Post(*a, {TValue::String("second"), TValue::String("memo of second")});
  Post(*b, {TValue::String("third"), TValue::String("memo of third")});
  EXPECT_EQ(b->RecordCount(), 3);
  a->Refresh();
  ASSERT_EQ(a->RecordCount(), 3);
  const char* names[] = {"first", "second", "third"};
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(a->Text(a->Record(r), 0), names[r]);
    EXPECT_EQ(a->Value(a->Record(r), 1).ToString(), std::string("memo of ") + names[r]);
  }
  // A third opener sees everything and the file ends with the end marker.
  EXPECT_EQ(Open(path, true)->RecordCount(), 3);
  EXPECT_EQ(ReadFile(path).back(), '\x1A');
  // Insert appends: dBase keeps records in the order they were stored.
  a->Insert(0, {TValue::String("fourth"), TValue()});
  EXPECT_EQ(a->Text(a->Record(3), 0), "fourth");
}

TEST(DbaseWrite, InterruptedWriteLosesOnlyTheUnfinishedRecord) {
  TTempDir dir;
  const std::string path = dir.File("cut.dbf");
  CreateDbaseTable(path, {Def("NAME", ftString, 20)});
  {
    auto t = Open(path);
    for (const char* n : {"one", "two", "three"}) Post(*t, {TValue::String(n)});
  }
  // The count says 3 but the third record was only half written.
  const uint64_t full = fs::file_size(path);
  fs::resize_file(path, full - 12);
  {
    auto t = Open(path);
    EXPECT_EQ(t->RecordCount(), 2);
    Post(*t, {TValue::String("again")});  // takes the unfinished record's place
    EXPECT_EQ(t->RecordCount(), 3);
    EXPECT_EQ(t->Text(t->Record(2), 0), "again");
  }
  EXPECT_EQ(fs::file_size(path), full);
  // More than one record missing is damage, not an interrupted write.
  fs::resize_file(path, full - 1 - 2 * 21);
  try {
    Open(path);
    ADD_FAILURE() << "opened a truncated file";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("truncated"), std::string::npos) << e.what();
  }
}

TEST(DbaseWrite, WritesOnlyWhatItCanWriteFaithfully) {
  TTempDir dir;
  const std::string path = dir.File("ro.dbf");
  CreateDbaseTable(path, {Def("NAME", ftString, 20)});
  auto ro = Open(path, true);
  EXPECT_THROW(Post(*ro, {TValue::String("x")}), EDatabaseError);
  EXPECT_THROW(OpenDbaseTable(path, TOpenOptions{true, false, {}}), EDatabaseError);
  ro.reset();

  // Exclusive opening keeps others out.
  TOpenOptions ex;
  ex.Exclusive = true;
  auto owner = OpenDbaseTable(dir.File("ro.dbf"), ex);
  EXPECT_THROW(Open(path), EDatabaseError);
  owner.reset();

  // Visual FoxPro tables read, but appending to them is refused rather than done wrongly.
  const std::string fixtures = test::InfusedFixturesDir(LW_CORPUS_DIR);
  const std::string vfp = fixtures + "dbase_31.dbf";
  if (fixtures.empty() || !fs::exists(vfp)) GTEST_SKIP() << "no corpus";
  fs::copy_file(vfp, dir.File("vfp.dbf"));
  auto t = Open(dir.File("vfp.dbf"));
  try {
    t->Append(std::vector<TValue>(t->Fields().size()));
    ADD_FAILURE() << "appended to a Visual FoxPro table";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("not supported"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace lw
