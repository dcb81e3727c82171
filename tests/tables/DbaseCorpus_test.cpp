// dBase tables written by other software: every one opens (or fails with a clear message)
// and gives the values that its makers' own readers expect.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "CorpusReport.h"
#include "DatabaseError.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "dbase/DbaseTable.h"

namespace lw {
namespace {

using test::ReadFile;

namespace fs = std::filesystem;

const std::string kCorpus = std::string(LW_CORPUS_DIR) + "/dbase";
const std::string kInfused = test::InfusedFixturesDir(LW_CORPUS_DIR);
const std::string kDbfread = kCorpus + "/olemb+dbfread/";
const std::string kShapelib = kCorpus + "/OSGeo+shapelib/tests/";

#define REQUIRE_CORPUS() \
  if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no dBase corpus at " << kCorpus

std::unique_ptr<dbase::TDbaseTable> Open(const std::string& path) {
  TOpenOptions opt;
  opt.ReadOnly = true;  // never touch the corpus
  auto codec = OpenDbaseTable(path, opt);
  return std::unique_ptr<dbase::TDbaseTable>(dynamic_cast<dbase::TDbaseTable*>(codec.release()));
}

// Reads every field of every record; returns the first error's message, or nothing.
std::optional<std::string> ReadAll(const std::string& path) {
  try {
    auto t = Open(path);
    for (int64_t r = 0; r < t->RecordCount(); ++r) {
      const uint8_t* rec = t->Record(r);
      for (int f = 0; f < static_cast<int>(t->Fields().size()); ++f) {
        const bool null = t->IsNull(rec, f);
        TValue v = t->Value(rec, f);
        if (t->Fields()[f].DataType == ftString) {
          EXPECT_EQ(std::string(t->Text(rec, f)), v.ToString()) << path;
          EXPECT_EQ(null, v.IsNull()) << path;
        }
      }
    }
    return std::nullopt;
  } catch (const EDatabaseError& e) {
    return std::string(e.what());
  }
}

TEST(DbaseCorpus, EveryTableReadsOrFailsClearly) {
  REQUIRE_CORPUS();
  // Files that must fail, and a phrase the message must hold.
  const std::map<std::string, std::string> failing = {
      {"dbase_02.dbf", "dBase II"},
      {"dbase_8c.dbf", "dBase 7"},
      {"invalid_value.dbf", "invalid date \"NotAYear\""},
      {"dbase_83_missing_memo.dbf", "memo file dbase_83_missing_memo.dbt was not found"},
      {"no_memofile.dbf", "memo file no_memofile.fpt was not found"},
  };
  int read = 0, refused = 0;
  for (const auto& e : fs::recursive_directory_iterator(kCorpus)) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".dbf" && ext != ".dbc") continue;
    const std::string name = e.path().filename().string();
    const auto error = ReadAll(e.path().string());
    auto it = failing.find(name);
    if (it == failing.end()) {
      EXPECT_FALSE(error) << *error;
      ++read;
    } else {
      ASSERT_TRUE(error) << name << " should have failed";
      EXPECT_NE(error->find(e.path().string()), std::string::npos) << *error;
      EXPECT_NE(error->find(it->second), std::string::npos) << *error;
      ++refused;
    }
  }
  test::ReportCorpusFiles(
      read,
      "dBase tables read completely (and " + std::to_string(refused) + " refused as expected)",
      kCorpus);
  EXPECT_GE(read, 35);
}

struct TSummaryField {
  std::string Name, Type;
  int Length = 0, Decimals = 0;
};

// Parses infused/dbf's summary: "Records: N" and the name/type/length/decimal table.
bool ParseSummary(const std::string& text, int64_t& records, std::vector<TSummaryField>& fields) {
  std::istringstream in(text);
  std::string line;
  bool table = false;
  records = -1;
  while (std::getline(in, line)) {
    if (line.rfind("Records: ", 0) == 0) records = std::stoll(line.substr(9));
    if (line.rfind("-----", 0) == 0) {
      table = true;
      continue;
    }
    if (!table) continue;
    std::istringstream cols(line);
    std::vector<std::string> words;
    for (std::string w; cols >> w;) words.push_back(w);
    if (words.size() < 4) continue;
    TSummaryField f;
    f.Decimals = std::stoi(words.back());
    f.Length = std::stoi(words[words.size() - 2]);
    f.Type = words[words.size() - 3];
    // The name is what precedes the three columns (it may hold blanks).
    std::string rest = line.substr(0, line.find_last_not_of(' ') + 1);
    for (int k = 0; k < 3; ++k) {
      rest = rest.substr(0, rest.find_last_not_of(' ') + 1);
      rest = rest.substr(0, rest.find_last_of(' ') + 1);
    }
    f.Name = rest.substr(0, rest.find_last_not_of(' ') + 1);
    fields.push_back(f);
  }
  return records >= 0;
}

TEST(DbaseCorpus, StructureMatchesSummaries) {
  REQUIRE_CORPUS();
  int checked = 0;
  for (const auto& e : fs::directory_iterator(kInfused)) {
    const std::string name = e.path().filename().string();
    const size_t at = name.find("_summary.txt");
    if (at == std::string::npos) continue;
    const std::string table = kInfused + name.substr(0, at) + ".dbf";
    int64_t records;
    std::vector<TSummaryField> expected;
    ASSERT_TRUE(ParseSummary(ReadFile(e.path().string()), records, expected)) << name;
    if (name.rfind("dbase_02", 0) == 0) {  // dBase II: refused, see above
      EXPECT_THROW(Open(table), EDatabaseError);
      continue;
    }
    SCOPED_TRACE(table);
    auto t = Open(table);
    EXPECT_EQ(t->RecordCount() + t->DeletedCount(), records);
    size_t shown = 0;
    for (const auto& f : expected) {
      if (f.Type == "0") continue;  // _NullFlags is the format's, not the table's
      ASSERT_LT(shown, t->Fields().size());
      const auto& d = t->Descriptor(static_cast<int>(shown));
      EXPECT_EQ(t->Fields()[shown].Name, f.Name);
      EXPECT_EQ(std::string(1, d.Letter), f.Type) << f.Name;
      EXPECT_EQ(d.Width, f.Length) << f.Name;
      EXPECT_EQ(d.Decimals, f.Decimals) << f.Name;
      ++shown;
    }
    EXPECT_EQ(shown, t->Fields().size());
    ++checked;
  }
  test::ReportCorpusFiles(checked, "dBase tables compared with their summaries", kInfused);
  EXPECT_GE(checked, 8);
}

// The value lists of infused/dbf's dbase_83 record dumps (a YAML list of scalars).
std::vector<std::optional<std::string>> ParseYamlList(const std::string& text) {
  std::vector<std::optional<std::string>> out;
  std::istringstream in(text);
  std::string line, quoted;
  bool inQuote = false;
  auto unescape = [](const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\\' && i + 1 < s.size()) {
        char c = s[++i];
        r += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
      } else {
        r += s[i];
      }
    }
    return r;
  };
  auto closes = [](const std::string& s) {  // ends in a quote not escaped by a backslash
    if (s.empty() || s.back() != '"') return false;
    size_t n = 0;
    for (size_t i = s.size() - 1; i > 0 && s[i - 1] == '\\'; --i) ++n;
    return n % 2 == 0;
  };
  while (std::getline(in, line)) {
    if (inQuote) {
      // A line break inside a double-quoted scalar folds into one blank.
      std::string part = line.substr(line.find_first_not_of(' '));
      quoted += " ";
      if (closes(part)) {
        quoted += part.substr(0, part.size() - 1);
        out.push_back(unescape(quoted));
        inQuote = false;
      } else {
        quoted += part;
      }
      continue;
    }
    const size_t dash = line.find("- ");
    if (line == "---" || dash == std::string::npos || line.find_first_not_of(' ') != dash) {
      if (line.find_first_not_of(' ') != std::string::npos &&
          line.substr(line.find_first_not_of(' ')) == "-")
        out.push_back(std::nullopt);
      continue;
    }
    std::string v = line.substr(dash + 2);
    if (v.empty()) {
      out.push_back(std::nullopt);
    } else if (v.front() == '"') {
      if (v.size() > 1 && closes(v)) {
        out.push_back(unescape(v.substr(1, v.size() - 2)));
      } else {
        quoted = v.substr(1);
        inQuote = true;
      }
    } else if (v.front() == '\'') {
      out.push_back(v.substr(1, v.size() - 2));
    } else {
      out.push_back(v);
    }
  }
  return out;
}

void ExpectRecord(dbase::TDbaseTable& t, int64_t recNo, const std::string& yamlFile,
                  bool memoMissing = false) {
  const auto expected = ParseYamlList(ReadFile(yamlFile));
  ASSERT_EQ(expected.size(), t.Fields().size()) << yamlFile;
  const uint8_t* rec = t.Record(recNo);
  for (size_t i = 0; i < expected.size(); ++i) {
    const int f = static_cast<int>(i);
    const TFieldDef& def = t.Fields()[i];
    SCOPED_TRACE(def.Name);
    if (memoMissing && def.DataType == ftMemo) {
      EXPECT_THROW(t.Value(rec, f), EDatabaseError);
      continue;
    }
    const TValue v = t.Value(rec, f);
    if (!expected[i]) {
      EXPECT_TRUE(v.IsNull());
      continue;
    }
    const std::string& want = *expected[i];
    switch (def.DataType) {
      case ftBoolean:
        EXPECT_EQ(v.ToBoolean(), want == "true");
        break;
      case ftSmallint:
      case ftInteger:
      case ftFloat:
        EXPECT_NEAR(v.ToFloat(), std::stod(want), 1e-9);
        break;
      default:
        EXPECT_EQ(v.ToString(), want);
    }
  }
}

TEST(DbaseCorpus, Dbase83RecordsMatchDumps) {
  REQUIRE_CORPUS();
  auto t = Open(kInfused + "dbase_83.dbf");
  EXPECT_EQ(t->Info().Format, "dBase III+ with memo (0x83)");
  ExpectRecord(*t, 0, kInfused + "dbase_83_record_0.yml");
  ExpectRecord(*t, 9, kInfused + "dbase_83_record_9.yml");

  // Without its memo file the table still opens; only the memo field fails, naming the file.
  auto m = Open(kInfused + "dbase_83_missing_memo.dbf");
  ExpectRecord(*m, 0, kInfused + "dbase_83_record_0.yml", true);
}

TEST(DbaseCorpus, DeletedRecordsAreNotShown) {
  REQUIRE_CORPUS();
  auto people = Open(kDbfread + "examples/files/people.dbf");
  ASSERT_EQ(people->RecordCount(), 2);
  EXPECT_EQ(people->DeletedCount(), 1);
  const uint8_t* rec = people->Record(0);
  EXPECT_EQ(people->Text(rec, 0), "Alice");
  EXPECT_EQ(people->Value(rec, 1).ToString(), "1987-03-01");
  rec = people->Record(1);
  EXPECT_EQ(people->Text(rec, 0), "Bob");
  EXPECT_EQ(people->Value(rec, 1).ToString(), "1980-11-12");
  EXPECT_THROW(people->Record(2), EDatabaseError);

  // Two deleted rows in the middle of a FoxPro database container: the numbering skips them.
  auto dbc = Open(kInfused + "foxprodb/FOXPRO-DB-TEST.DBC");
  EXPECT_EQ(dbc->RecordCount(), 56);
  EXPECT_EQ(dbc->DeletedCount(), 2);
  int64_t previous = 0;
  for (int64_t r = 0; r < dbc->RecordCount(); ++r) {
    const int64_t id = dbc->Value(dbc->Record(r), 0).ToInteger();  // OBJECTID grows
    EXPECT_GT(id, previous);
    previous = id;
  }
  // Reading backwards gives the same records.
  std::vector<int64_t> forward, backward;
  for (int64_t r = 0; r < dbc->RecordCount(); ++r)
    forward.push_back(dbc->Value(dbc->Record(r), 0).ToInteger());
  for (int64_t r = dbc->RecordCount() - 1; r >= 0; --r)
    backward.insert(backward.begin(), dbc->Value(dbc->Record(r), 0).ToInteger());
  EXPECT_EQ(forward, backward);

  // The 0x00 deletion flag of mazovia.dbf means live.
  EXPECT_EQ(Open(kInfused + "mazovia.dbf")->RecordCount(), 2);
}

TEST(DbaseCorpus, MemoFlavours) {
  REQUIRE_CORPUS();
  // dBase IV: the stored length includes the 8-byte block header.
  auto b4 = Open(kInfused + "dbase_8b.dbf");
  EXPECT_EQ(b4->Value(b4->Record(0), 5).ToString(), "First memo\r\n");
  EXPECT_EQ(b4->Value(b4->Record(1), 5).ToString(), "Second memo");
  EXPECT_TRUE(b4->IsNull(b4->Record(9), 5));
  EXPECT_EQ(b4->Fields()[4].Precision, 18);  // F(20,18)
  EXPECT_NEAR(b4->Value(b4->Record(0), 4).ToFloat(), 1.23456789012346, 1e-14);
  EXPECT_TRUE(b4->IsNull(b4->Record(2), 3));  // blank logical

  // Visual FoxPro .fpt with 4-byte pointers, 512-byte blocks; the deleted record is skipped.
  auto vfp = Open(kDbfread + "tests/cases/memotest.dbf");
  ASSERT_EQ(vfp->RecordCount(), 2);
  EXPECT_EQ(vfp->Value(vfp->Record(0), 2).ToString(), "Alice memo");
  EXPECT_EQ(vfp->Value(vfp->Record(1), 2).ToString(), "Bob memo");

  // FoxPro 2.x .fpt with 10-digit pointers.
  auto f5 = Open(kInfused + "dbase_f5.dbf");
  EXPECT_EQ(f5->RecordCount(), 975);
  EXPECT_EQ(f5->Info().Format, "FoxPro 2.x with memo (0xF5)");
}

TEST(DbaseCorpus, VisualFoxProBinaryKinds) {
  REQUIRE_CORPUS();
  auto t = Open(kInfused + "dbase_31.dbf");
  ASSERT_EQ(t->Fields().size(), 10u);  // _NullFlags hidden
  EXPECT_EQ(t->Fields()[0].DataType, ftAutoInc);
  EXPECT_EQ(t->Fields()[2].DataType, ftInteger);
  EXPECT_EQ(t->Fields()[5].DataType, ftCurrency);
  const uint8_t* rec = t->Record(0);
  EXPECT_EQ(t->Value(rec, 0).ToInteger(), 1);
  EXPECT_EQ(t->Text(rec, 1), "Chai");
  EXPECT_EQ(t->Text(rec, 4), "10 boxes x 20 bags");
  EXPECT_DOUBLE_EQ(t->Value(rec, 5).ToFloat(), 18.0);
  EXPECT_EQ(t->Value(rec, 9).ToBoolean(), false);
  const uint8_t* last = t->Record(76);
  EXPECT_EQ(t->Value(last, 0).ToInteger(), 77);

  // Varchar: the length is in the field's last byte when its _NullFlags bit says so.
  auto v = Open(kInfused + "dbase_32.dbf");
  EXPECT_EQ(v->Text(v->Record(0), 0), "Bad Meets Evil");

  // DateTime: Julian day and milliseconds.
  auto calls = Open(kInfused + "foxprodb/calls.dbf");
  EXPECT_EQ(calls->Fields()[2].DataType, ftDateTime);
  EXPECT_EQ(calls->Value(calls->Record(0), 2).ToString(), "1994-11-21 13:35:39");

  auto cp = Open(kInfused + "cp1251.dbf");
  EXPECT_EQ(cp->Info().CodePage, 1251);
  EXPECT_EQ(cp->Fields()[0].DataType, ftSmallint);  // N(4,0)
}

TEST(DbaseCorpus, OddHeaders) {
  REQUIRE_CORPUS();
  // 0x0A instead of 0x0D after the descriptors.
  auto pts = Open(kShapelib + "shape_eg_data/3dpoints.dbf");
  EXPECT_EQ(pts->Fields().size(), 1u);
  EXPECT_EQ(pts->RecordCount(), 22);
  EXPECT_EQ(pts->Info().CodePage, 1252);  // LDID 0x57
  // No fields at all, one record.
  auto empty = Open(kInfused + "polygon.dbf");
  EXPECT_EQ(empty->Fields().size(), 0u);
  EXPECT_EQ(empty->RecordCount(), 1);
  // No 0x1A at the end.
  EXPECT_EQ(Open(kInfused + "dbase_31.dbf")->RecordCount(), 77);
  // Duplicate field names are kept as they are.
  auto dup = Open(kInfused + "dbase_03.dbf");
  int pointIds = 0;
  for (const auto& f : dup->Fields()) pointIds += f.Name == "Point_ID";
  EXPECT_EQ(pointIds, 2);
  // A 20-digit whole number keeps every digit.
  auto wide = Open(kShapelib + "shape_eg_data/mpatch3.dbf");
  EXPECT_EQ(wide->Value(wide->Record(0), 7).ToString(), "9223372036854775800");
}

// shapelib's own dump of pline.dbf (Test 4 of its expect1.out): structure and first record.
TEST(DbaseCorpus, PlineMatchesShapelibDump) {
  REQUIRE_CORPUS();
  const std::string out = ReadFile(kShapelib + "expect1.out");
  const size_t start = out.find("Test 4:");
  ASSERT_NE(start, std::string::npos);
  std::istringstream in(out.substr(start, out.find("Test 5:") - start));
  auto t = Open(kShapelib + "shape_eg_data/pline.dbf");
  EXPECT_EQ(t->Info().CodePage, 437);  // LDID 0x1B
  const uint8_t* rec = t->Record(0);
  std::string line;
  int fields = 0, values = 0;
  bool inRecord = false;
  while (std::getline(in, line)) {
    if (line.rfind("Field ", 0) == 0) {
      const int i = std::stoi(line.substr(6));
      const std::string title = line.substr(line.find('`') + 1);
      const auto& d = t->Descriptor(i);
      EXPECT_EQ(t->Fields()[i].Name, title.substr(0, title.find('\'')));
      EXPECT_EQ(d.Letter, line[line.find("Type=") + 5]);
      EXPECT_EQ(d.Width, std::stoi(line.substr(line.find("Width=") + 6)));
      EXPECT_EQ(d.Decimals, std::stoi(line.substr(line.find("Decimals=") + 9)));
      ++fields;
    } else if (line.rfind("Record: 0", 0) == 0) {
      inRecord = true;
    } else if (line.rfind("Record: ", 0) == 0) {
      inRecord = false;
    } else if (inRecord && line.find(": ") != std::string::npos) {
      const std::string name = line.substr(0, line.find(": "));
      std::string value = line.substr(line.find(": ") + 2);
      int i = 0;
      while (i < static_cast<int>(t->Fields().size()) && t->Fields()[i].Name != name) ++i;
      ASSERT_LT(i, static_cast<int>(t->Fields().size())) << name;
      const size_t b = value.find_first_not_of(' ');
      value = b == std::string::npos ? "" : value.substr(b);
      value = value.substr(0, value.find_last_not_of(' ') + 1);
      if (value == "(NULL)") {
        EXPECT_TRUE(t->IsNull(rec, i)) << name;
      } else if (t->Fields()[i].DataType == ftString) {
        EXPECT_EQ(t->Text(rec, i), value) << name;
      } else {
        // dbfdump prints with the field's decimals; compare at that precision.
        EXPECT_NEAR(t->Value(rec, i).ToFloat(), std::stod(value), 0.0005) << name;
      }
      ++values;
    }
  }
  EXPECT_EQ(fields, 19);
  EXPECT_EQ(values, 19);
}

}  // namespace
}  // namespace lw
