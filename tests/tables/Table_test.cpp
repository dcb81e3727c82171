// The table objects over real files: cursor, sessions, sharing, order and bound views.
#include "Table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DataSource.h"
#include "Database.h"
#include "DatabaseError.h"
#include "Session.h"
#include "TableOrder.h"
#include "TempDir.h"

namespace lw {
namespace {

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSession = std::make_unique<TSession>();
    FSession->SetAutoSessionName(true);
    FSession->Open();
  }

  // A table NAME(Id +, Name A20, Amount N) holding the given names.
  std::unique_ptr<TTable> MakeTable(const std::vector<std::string>& names,
                                    const std::string& file = "people.db") {
    auto t = std::make_unique<TTable>();
    t->SetSessionName(FSession->SessionName());
    t->SetDatabaseName(FDir.Path());
    t->SetTableName(file);
    t->FieldDefs().Add("Id", ftAutoInc);
    t->FieldDefs().Add("Name", ftString, 20);
    t->FieldDefs().Add("Amount", ftFloat);
    t->CreateTable();
    t->Open();
    double amount = 1;
    for (const auto& n : names) {
      t->Append();
      if (n != "<null>") t->FieldByName("name").SetAsString(n);
      t->Fields(2).SetAsFloat(amount++);
      t->Post();
    }
    return t;
  }

  std::unique_ptr<TTable> OpenAgain(TSession& session, const std::string& file = "people.db") {
    auto t = std::make_unique<TTable>();
    t->SetSessionName(session.SessionName());
    t->SetDatabaseName(FDir.Path() + "/");
    t->SetTableName(file);
    t->Open();
    return t;
  }

  static std::vector<std::string> Names(TTable& t) {
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) out.push_back(std::string(t.FieldText(1)));
    return out;
  }

  test::TTempDir FDir;
  std::unique_ptr<TSession> FSession;
};

TEST_F(TableTest, CursorVisitsEveryRecordOnceInBothDirections) {
  auto t = MakeTable({"a", "b", "c"});
  EXPECT_EQ(t->RecordCount(), 3);
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(t->Eof());
  t->Last();
  std::vector<std::string> back;
  while (!t->Bof()) {
    back.push_back(t->Fields(1).AsString());
    t->Prior();
  }
  EXPECT_EQ(back, (std::vector<std::string>{"c", "b", "a"}));
  t->SetRecNo(2);
  EXPECT_EQ(t->RecNo(), 2);
  EXPECT_EQ(t->FieldByName("NAME").AsString(), "b");
  // Auto-increment is filled by the table, whatever the caller wrote.
  EXPECT_EQ(t->Fields(0).AsInteger(), 2);
  EXPECT_EQ(t->FieldText(2), "2");
}

TEST_F(TableTest, EmptyTableIsAtBothEnds) {
  auto t = MakeTable({});
  t->First();
  EXPECT_TRUE(t->Eof());
  EXPECT_TRUE(t->Bof());
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_TRUE(t->Fields(1).IsNull());
  EXPECT_EQ(t->FieldText(1), "");
}

TEST_F(TableTest, CancelStoresNothingAndRequiredFieldsAreChecked) {
  auto t = MakeTable({"a"});
  t->Append();
  t->Fields(1).SetAsString("never");
  t->Cancel();
  EXPECT_EQ(t->RecordCount(), 1);
  // Text longer than the field is cut to its size, as the engines always did.
  t->Append();
  t->Fields(1).SetAsString(std::string(30, 'x'));
  t->Post();
  t->Last();
  EXPECT_EQ(t->Fields(1).AsString(), std::string(20, 'x'));
  EXPECT_THROW(t->Fields(1).SetAsString("not in insert mode"), EDatabaseError);
}

// Texts go straight into the record being edited; what is read back before Post, and what Post
// stores, is the last thing assigned to each field, whichever way it was assigned.
TEST_F(TableTest, TheEditBufferReadsBackAndStoresEachFieldsLastAssignment) {
  auto t = MakeTable({"a", "c"});
  t->Append();
  t->Fields(1).SetAsString("");
  EXPECT_FALSE(t->Fields(1).IsNull());  // an empty text is set, as a text value is
  t->Fields(1).SetAsString("kept");
  EXPECT_EQ(t->FieldText(1), "kept");
  EXPECT_EQ(t->Fields(1).Value(), TValue::String("kept"));
  t->Fields(1).SetAsFloat(2.5);  // a value after a text replaces it
  EXPECT_EQ(t->FieldText(1), "2.5");
  t->Fields(1).SetAsString("longer text");
  t->Fields(1).SetAsString("short");  // nothing of a longer text is left after a shorter one
  EXPECT_EQ(t->FieldText(1), "short");
  t->Fields(1).SetAsInteger(1);
  t->Fields(1).SetAsString("2.5");  // nor of a text before a value
  t->Fields(2).SetAsString("7");    // a text into a number field is converted
  t->Post();
  t->SetRecNo(2);
  t->Insert();
  t->Fields(1).SetAsFloat(1);
  t->Fields(1).SetAsString(std::string(25, 'b'));  // a text after a value, cut to size
  t->Post();
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"a", std::string(20, 'b'), "c", "2.5"}));
  t->Last();
  EXPECT_EQ(t->Fields(2).AsFloat(), 7);
}

TEST_F(TableTest, ErrorsNameTheTableFile) {
  auto t = MakeTable({"a"});
  try {
    t->FieldByName("nosuch");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("people.db"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("nosuch"), std::string::npos) << e.what();
  }
  TTable missing;
  missing.SetDatabaseName(FDir.Path());
  missing.SetTableName("absent.db");
  try {
    missing.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("absent.db"), std::string::npos) << e.what();
  }
  TDatabase db;
  db.SetDatabaseName(FDir.File("no-such-dir"));
  EXPECT_THROW(db.Open(), EDatabaseError);
  EXPECT_FALSE(db.Connected());
}

TEST_F(TableTest, PostedRecordsReachOtherSessionsAfterRefresh) {
  auto writer = MakeTable({"a"});
  TSession other;
  other.SetAutoSessionName(true);
  auto reader = OpenAgain(other);
  EXPECT_EQ(reader->RecordCount(), 1);
  writer->Append();
  writer->Fields(1).SetAsString("b");
  writer->Post();
  EXPECT_EQ(reader->RecordCount(), 1);  // not before Refresh
  reader->Refresh();
  EXPECT_EQ(reader->RecordCount(), 2);
  EXPECT_EQ(Names(*reader), (std::vector<std::string>{"a", "b"}));
}

TEST_F(TableTest, ExclusiveOpeningRefusesOtherOpeners) {
  auto shared = MakeTable({"a"});
  auto excl = std::make_unique<TTable>();
  excl->SetDatabaseName(FDir.Path());
  excl->SetTableName("people.db");
  excl->SetExclusive(true);
  EXPECT_THROW(excl->Open(), EDatabaseError);
  shared->Close();
  excl->Open();
  EXPECT_THROW(OpenAgain(*FSession), EDatabaseError);
}

TEST_F(TableTest, SessionCloseClosesItsTables) {
  auto t = MakeTable({"a"});
  TTable* owned = FSession->CreateTable();
  owned->SetDatabaseName(FDir.Path());
  owned->SetTableName("people.db");
  owned->Open();
  FSession->Close();
  EXPECT_FALSE(t->Active());
  EXPECT_FALSE(owned->Active());
}

TEST_F(TableTest, IndexFieldNamesOrdersAndFollowsAppends) {
  auto t = MakeTable({"pear", "<null>", "Apple", "banana"});
  t->SetIndexFieldNames("Name");
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"", "Apple", "banana", "pear"}));
  // Records appended by another table: at the end when they sort there, re-sorted otherwise.
  TSession other;
  other.SetAutoSessionName(true);
  auto writer = OpenAgain(other);
  for (const char* n : {"zebra", "cherry"}) {
    writer->Append();
    writer->Fields(1).SetAsString(n);
    writer->Post();
    t->Refresh();
  }
  EXPECT_EQ(Names(*t),
            (std::vector<std::string>{"", "Apple", "banana", "cherry", "pear", "zebra"}));
  // Records without an amount come first, in table order.
  t->SetIndexFieldNames("Amount");
  t->First();
  EXPECT_EQ(t->Fields(1).AsString(), "zebra");
  t->Last();
  EXPECT_EQ(t->Fields(1).AsString(), "banana");
  t->SetIndexFieldNames("");
  EXPECT_EQ(Names(*t)[0], "pear");
  EXPECT_THROW(t->SetIndexFieldNames("Nope"), EDatabaseError);
}

class CountingLink : public TDataLink {
 public:
  void DataSetChanged() override { ++Changed; }
  void DataSetScrolled() override { ++Scrolled; }
  int Changed = 0;
  int Scrolled = 0;
};

TEST_F(TableTest, BoundViewsHearOfChangesExceptWhileControlsAreDisabled) {
  auto t = MakeTable({"a", "b"});
  TDataSource ds;
  CountingLink link;
  ds.AddLink(&link);
  ds.SetDataSet(t.get());
  link.Changed = link.Scrolled = 0;
  t->First();
  t->Next();
  EXPECT_GE(link.Scrolled, 2);
  t->DisableControls();
  int changed = link.Changed, scrolled = link.Scrolled;
  t->Last();
  t->Refresh();
  EXPECT_EQ(link.Changed, changed);
  EXPECT_EQ(link.Scrolled, scrolled);
  t->EnableControls();
  EXPECT_EQ(link.Changed, changed + 1);
  t.reset();  // the data source must not keep a dangling table
  EXPECT_EQ(ds.DataSet(), nullptr);
}

TEST_F(TableTest, CreateTableReplacesTheOldFileAndDefinitionsReadBack) {
  auto t = MakeTable({"a", "b"});
  t->Close();
  t->FieldDefs().Update();
  ASSERT_EQ(t->FieldDefs().Count(), 3);
  EXPECT_EQ(t->FieldDefs()[0].DataType, ftAutoInc);
  EXPECT_EQ(t->FieldDefs()[1].Size, 20);
  t->CreateTable();
  t->Open();
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_EQ(t->FieldCount(), 3);
}

// The grid's one-field orders agree with CompareValues on texts that differ only after their
// eighth character or only in case, on bytes past ASCII, on nulls and on equal keys (which
// keep table order), for text, float and whole-number fields.
TEST_F(TableTest, OneFieldOrdersAgreeWithCompareValues) {
  const std::vector<std::string> names = {"Northwind Traders",
                                          "northwind traders",
                                          "NORTHWIND",
                                          "Northwind Tr",
                                          "<null>",
                                          "\xE9"
                                          "cole",
                                          "Zed",
                                          "zed",
                                          "Northwind Traders",
                                          "a",
                                          "",
                                          "Northwind Trad\xE9",
                                          "Northwind traders Co"};
  // Amounts with negatives, fractions, duplicates and a null.
  const double amounts[] = {3.5, -1, 2, 2, 0.25, -7.75, 100, 2, 1e9, -0.5, 3.5, 0, 42};
  auto t = MakeTable({}, "order.db");
  for (size_t i = 0; i < names.size(); ++i) {
    t->Append();
    if (names[i] != "<null>") t->Fields(1).SetAsString(names[i]);
    if (i != 4) t->Fields(2).SetAsFloat(amounts[i]);
    t->Post();
  }
  // Many texts over a small alphabet: long common prefixes, texts ending inside and beyond
  // eight-byte steps, case twins and repeats; enough of them for the first-bytes bucket pass.
  uint32_t seed = 12345;
  for (int i = 0; i < 5000; ++i) {
    seed = seed * 1103515245u + 12345u;
    std::string text;
    for (uint32_t k = 0, len = (seed >> 8) % 20; k < len; ++k) {
      seed = seed * 1103515245u + 12345u;
      text += "aAbB "[(seed >> 16) % 5];
    }
    t->Append();
    if (!text.empty()) t->Fields(1).SetAsString(text);
    t->Fields(2).SetAsFloat(static_cast<double>(seed % 7) - 3);
    t->Post();
  }
  for (const char* field : {"Name", "Amount", "Id"}) {
    SCOPED_TRACE(field);
    t->SetIndexFieldNames("");
    const int index = t->FieldByName(field).Index();
    std::vector<TValue> values;
    for (t->First(); !t->Eof(); t->Next()) values.push_back(t->FieldValue(index));
    std::vector<size_t> expected(values.size());
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](size_t a, size_t b) { return CompareValues(values[a], values[b]) < 0; });
    t->SetIndexFieldNames(field);
    std::vector<size_t> got;
    for (t->First(); !t->Eof(); t->Next())
      got.push_back(static_cast<size_t>(t->Fields(0).AsInteger() - 1));
    EXPECT_EQ(got, expected);
  }
}

// Emptying by building beside and renaming: the old table stays until the new one is whole,
// nobody's open table is replaced, and a replacement cut short is finished or dropped when
// the table is next opened.
TEST_F(TableTest, RecreateEmptyReplacesWholeTablesOnly) {
  auto t = MakeTable({"a", "b", "c"});
  const std::string path = FDir.File("people.db");
  t->Close();
  {
    TSession other;
    other.SetAutoSessionName(true);
    auto holder = OpenAgain(other);
    EXPECT_THROW(t->RecreateEmpty(""), EDatabaseError);  // in use
  }
  t->RecreateEmpty("secret");
  FSession->AddPassword("secret");
  t->Open();
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_EQ(t->FieldCount(), 3);
  t->Close();

  // A replacement cut short after its files were complete: finished at the next opening.
  auto full = MakeTable({"x", "y"}, "full.db");
  full->Close();
  std::filesystem::create_directory(path + ".ready~");
  std::filesystem::copy_file(FDir.File("full.db"), path + ".ready~/people.db");
  std::ofstream(path + ".ready~/files~") << "people.db\n";
  t->Open();
  EXPECT_EQ(Names(*t), (std::vector<std::string>{"x", "y"}));
  t->Close();
  EXPECT_FALSE(std::filesystem::exists(path + ".ready~"));

  // One cut short while being built: dropped, the old table kept.
  std::filesystem::create_directory(path + ".new~");
  std::ofstream(path + ".new~/people.db") << "half";
  t->Open();
  EXPECT_EQ(t->RecordCount(), 2);
  EXPECT_FALSE(std::filesystem::exists(path + ".new~"));
}

}  // namespace
}  // namespace lw
