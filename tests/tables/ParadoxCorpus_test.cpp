// Paradox tables written by other software: every one opens (or fails with a clear message)
// and gives the values recorded in the corpus's expected decodings.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CorpusReport.h"
#include "DatabaseError.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"
#include "ParadoxSupport.h"

namespace lw {
namespace {

using test::ReadFile;

namespace fs = std::filesystem;

const std::string kCorpus = std::string(LW_CORPUS_DIR) + "/paradox";
const std::string kFiles = kCorpus + "/leonhad+paradoxdriver/src/test/resources/";
const std::string kExpected = kCorpus + "/expected/leonhad+paradoxdriver/src/test/resources/";

#define REQUIRE_CORPUS() \
  if (!fs::is_directory(kFiles)) GTEST_SKIP() << "no Paradox corpus at " << kFiles

std::unique_ptr<TTableCodec> Open(const std::string& path,
                                  std::vector<std::string> passwords = {}) {
  TOpenOptions opt;
  opt.ReadOnly = true;  // never touch the corpus
  opt.Passwords = std::move(passwords);
  return OpenParadoxTable(path, opt);
}

char Letter(TFieldType t) {
  switch (t) {
    case ftString:
      return 'A';
    case ftDate:
      return 'D';
    case ftSmallint:
      return 'S';
    case ftInteger:
      return 'I';
    case ftCurrency:
      return '$';
    case ftFloat:
      return 'N';
    case ftBoolean:
      return 'L';
    case ftMemo:
      return 'M';
    case ftBlob:
      return 'B';
    case ftFmtMemo:
      return 'F';
    case ftParadoxOle:
      return 'O';
    case ftGraphic:
      return 'G';
    case ftTime:
      return 'T';
    case ftDateTime:
      return '@';
    case ftAutoInc:
      return '+';
    case ftBCD:
      return '#';
    case ftBytes:
      return 'Y';
    default:
      return '?';
  }
}

double Number(const std::string& text) {
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

// Compares one decoded field with its expected JSON form; returns a description on mismatch.
std::string Mismatch(TTableCodec& t, const uint8_t* rec, int f, const test::TJson& want,
                     int codePage) {
  const TFieldDef& def = t.Fields()[f];
  const TValue v = t.Value(rec, f);
  if (want.IsNull())
    return v.IsNull() && t.IsNull(rec, f) ? "" : "expected null, got " + v.ToString();
  if (v.IsNull() || t.IsNull(rec, f)) return "unexpected null";
  std::string got;
  std::string expect = want.Text;
  switch (def.DataType) {
    case ftString:
      got = test::ToUtf8(t.Text(rec, f), codePage);
      if (got != test::ToUtf8(v.Str(), codePage)) return "Text() and Value() differ";
      break;
    case ftDate:
      got = FormatDate(static_cast<int32_t>(v.Int()));
      break;
    case ftTime: {
      int h = 0, m = 0, s = 0;
      std::sscanf(want.Text.c_str(), "%d:%d:%d", &h, &m, &s);
      expect = std::to_string(((h * 60 + m) * 60 + s) * 1000);
      got = std::to_string(v.Int());
      break;
    }
    case ftDateTime:
      got = FormatDateTime(v.Int());
      std::replace(expect.begin(), expect.end(), 'T', ' ');
      break;
    case ftSmallint:
    case ftInteger:
    case ftAutoInc:
      got = std::to_string(v.Int());
      break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      if (v.Dbl() == Number(want.Text)) return "";
      got = FormatFloat(v.Dbl());
      break;
    case ftBoolean:
      got = v.ToBoolean() ? "true" : "false";
      expect = want.Bool ? "true" : "false";
      break;
    case ftBytes:
      got = Hex(v.Str());
      break;
    default: {  // blobs
      const std::string& data = v.Str();
      got = std::to_string(data.size()) + " " + test::Sha256Hex(data);
      expect = want["payload_len"].Text + " " + want["sha256"].Text;
      if (def.DataType == ftMemo && v.GetKind() != TValue::Kind::String) return "memo not text";
    }
  }
  return got == expect ? "" : "got \"" + got + "\", expected \"" + expect + "\"";
}

void CheckRows(TTableCodec& t, const test::TJson& rows, int64_t first, int codePage,
               const std::string& name) {
  for (size_t r = 0; r < rows.Items.size(); ++r) {
    const test::TJson& row = rows.Items[r];
    const uint8_t* rec = t.Record(first + static_cast<int64_t>(r));
    for (size_t f = 0; f < t.Fields().size(); ++f) {
      const std::string fieldName = test::ToUtf8(t.Fields()[f].Name, codePage);
      const test::TJson* want = row.Find(fieldName);
      ASSERT_TRUE(want) << name << ": no expected value for " << fieldName;
      const std::string why = Mismatch(t, rec, static_cast<int>(f), *want, codePage);
      EXPECT_EQ(why, "") << name << " record " << first + r << " field " << fieldName;
    }
  }
}

std::vector<std::string> ExpectedFiles() {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(kExpected))
    if (e.path().extension() == ".json") out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ParadoxCorpus, EveryTableGivesTheExpectedStructureAndValues) {
  REQUIRE_CORPUS();
  int tables = 0;
  for (const std::string& json : ExpectedFiles()) {
    const std::string rel = json.substr(kExpected.size(), json.size() - kExpected.size() - 5);
    SCOPED_TRACE(rel);
    const test::TJson doc = test::TJsonReader::Parse(ReadFile(json));
    const test::TJson& h = doc["header"];
    const bool encrypted = h["encryption"].Text != "0";
    std::unique_ptr<TTableCodec> t;
    ASSERT_NO_THROW(t = Open(kFiles + rel, encrypted ? std::vector<std::string>{"123"}
                                                     : std::vector<std::string>{}));
    ++tables;
    const int codePage = h["codepage"].IsNull() ? 0 : std::stoi(h["codepage"].Text);
    const TTableFileInfo info = t->Info();
    EXPECT_EQ(info.CodePage, codePage);
    EXPECT_EQ(info.Format, "Paradox " + h["ver"].Text);
    EXPECT_EQ(info.RecordSize, std::stoi(h["recsize"].Text));
    EXPECT_EQ(info.BlockSize, std::stoi(h["blocksize"].Text));
    EXPECT_EQ(info.Encrypted, encrypted);
    EXPECT_EQ(info.KeyFieldCount, std::stoi(h["nkey"].Text));
    EXPECT_EQ(t->RecordCount(), std::stoll(doc["row_count_by_chain_walk"].Text));
    const test::TJson& fields = h["fields"];
    ASSERT_EQ(t->Fields().size(), fields.Items.size());
    for (size_t f = 0; f < fields.Items.size(); ++f) {
      const TFieldDef& d = t->Fields()[f];
      EXPECT_EQ(test::ToUtf8(d.Name, codePage), fields.Items[f].Items[0].Text);
      EXPECT_EQ(std::string(1, Letter(d.DataType)), fields.Items[f].Items[1].Text);
      const int size = std::stoi(fields.Items[f].Items[2].Text);
      const int expectSize =
          (d.DataType == ftString || d.DataType == ftBytes || d.DataType == ftBCD) ? size
          : IsBlobType(d.DataType)                                                 ? size - 10
                                                                                   : 0;
      EXPECT_EQ(d.Size, expectSize) << d.Name;
    }
    if (const test::TJson* rows = doc.Find("rows")) {
      CheckRows(*t, *rows, 0, codePage, rel);
    } else {
      CheckRows(*t, doc["rows_first_20"], 0, codePage, rel);
      CheckRows(*t, doc["rows_last_5"], t->RecordCount() - 5, codePage, rel);
    }
  }
  test::ReportCorpusFiles(tables, "Paradox tables checked against their expected decodings",
                          kExpected);
  EXPECT_GE(tables, 60);
}

// Every .db file of the corpus opens and every field of every record decodes.
TEST(ParadoxCorpus, EveryTableFileReadsCompletely) {
  REQUIRE_CORPUS();
  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(kCorpus)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext != ".db") continue;
    SCOPED_TRACE(e.path().string());
    ++files;
    try {
      auto t = Open(e.path().string(), {"123"});
      for (int64_t r = 0; r < t->RecordCount(); ++r) {
        const uint8_t* rec = t->Record(r);
        for (int f = 0; f < static_cast<int>(t->Fields().size()); ++f) {
          TValue v = t->Value(rec, f);
          EXPECT_EQ(v.IsNull(), t->IsNull(rec, f));
        }
      }
    } catch (const EDatabaseError& err) {
      ADD_FAILURE() << err.what();
    }
  }
  test::ReportCorpusFiles(files, "Paradox .db files read completely", kCorpus);
  EXPECT_GE(files, 60);
}

TEST(ParadoxCorpus, EncryptedTablesNeedTheirPassword) {
  REQUIRE_CORPUS();
  for (const char* name :
       {"encrypt/encrypted.db", "encrypt/encrypted35.db", "encrypt/encryptedmemo.db"}) {
    SCOPED_TRACE(name);
    for (const std::vector<std::string>& pw :
         {std::vector<std::string>{}, std::vector<std::string>{"124", "abc"}}) {
      try {
        Open(kFiles + name, pw);
        ADD_FAILURE() << "opened without the password";
      } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("password-protected"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
      }
    }
    EXPECT_NO_THROW(Open(kFiles + name, {"wrong", "123"}));
  }
  auto t = Open(kFiles + "encrypt/encrypted.db", {"123"});
  ASSERT_EQ(t->RecordCount(), 4);
  EXPECT_EQ(t->Value(t->Record(0), 1).Str(), "Value 1");
  EXPECT_EQ(t->Value(t->Record(3), 1).Str(), "Last one");
}

// Index files have a table-like header but are not tables.
TEST(ParadoxCorpus, IndexFilesAreRefusedClearly) {
  REQUIRE_CORPUS();
  for (const char* name :
       {"db/CUSTOMER.PX", "db/CUSTOMER.X06", "db/CUSTOMER.Y06", "db/AREACODES.XG0"}) {
    try {
      Open(kFiles + name);
      ADD_FAILURE() << name << " opened as a table";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("index file"), std::string::npos) << e.what();
    }
  }
}

TEST(ParadoxCorpus, IndexesComeFromTheHeaderAndTheIndexFiles) {
  REQUIRE_CORPUS();
  auto t = Open(kFiles + "db/CUSTOMER.DB");
  std::vector<TIndexDef> ix = t->Indexes();
  ASSERT_GE(ix.size(), 2u);
  EXPECT_EQ(ix[0].Fields, "CustNo");
  EXPECT_EQ(ix[0].Options & ixPrimary, ixPrimary);
  EXPECT_EQ(ix[1].Fields, "City");  // CUSTOMER.X06 indexes the sixth field
  auto unkeyed = Open(kFiles + "fields/time.db");
  EXPECT_TRUE(unkeyed->Indexes().empty());
}

// Without its .mb a table still reads; only blobs kept in the .mb fail, naming the problem.
TEST(ParadoxCorpus, MissingBlobFileFailsOnlyForBlobsStoredThere) {
  REQUIRE_CORPUS();
  test::TTempDir dir;
  fs::copy_file(kFiles + "fields/memo.db", dir.File("memo.db"));
  auto t = Open(dir.File("memo.db"));
  ASSERT_EQ(t->RecordCount(), 2);
  EXPECT_EQ(t->Value(t->Record(1), 1).Str(), "01234567890\n");  // inline in the record
  try {
    t->Value(t->Record(0), 1);
    ADD_FAILURE() << "read a blob without the blob file";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find(".mb"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(t->IsNull(t->Record(0), 1));
}

}  // namespace
}  // namespace lw
