// What lw-gen writes, read back through the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "CommandRunner.h"
#include "DataPassword.h"
#include "DatabaseError.h"
#include "ListingGenerator.h"
#include "ListingLayout.h"
#include "Session.h"
#include "Table.h"

namespace lw::gen {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::TScratchDir;

void Generate(const TScratchDir& dir, const std::string& sub) {
  test::TCommandResult r = RunProgram(LW_GEN_PATH, {"--dir", dir / sub}, dir);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
}

TEST(GenTablesTest, TwoRunsWriteIdenticalFiles) {
  TScratchDir dir("gen-twice");
  Generate(dir, "a");
  Generate(dir, "b");
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir.Path() / "a")) {
    if (!e.is_regular_file()) continue;
    const fs::path rel = fs::relative(e.path(), dir.Path() / "a");
    names.insert(rel.string());
    EXPECT_EQ(test::ReadFile(e.path()), test::ReadFile(dir.Path() / "b" / rel)) << rel;
  }
  for (const char* expected : {"sample/sample.db", "data/swap.db", "setup.ini", "lwconfig.ini"})
    EXPECT_TRUE(names.count(expected)) << expected;
}

TEST(GenTablesTest, ExistingUserSettingsAreKept) {
  TScratchDir dir("gen-keep");
  fs::create_directories(dir.Path() / "p");
  const std::string mine = "[Application]\r\ndatadir=/somewhere/\r\n";
  { std::ofstream(dir / "p/lwconfig.ini", std::ios::binary) << mine; }
  Generate(dir, "p");
  EXPECT_EQ(test::ReadFile(dir / "p/lwconfig.ini"), mine);
  EXPECT_EQ(test::ReadFile(dir / "p/setup.ini"), DefaultSetupFile());
}

// The sample holds exactly what the generator makes, in the listing layout, so the search
// positions 0 to 14 read what the criteria compare with.
TEST(GenTablesTest, SampleTableHoldsTheGeneratedListings) {
  TScratchDir dir("gen-sample");
  Generate(dir, "p");
  TTable table;
  table.SetTableName(dir / "p/sample/sample.db");
  table.Open();
  EXPECT_FALSE(table.FileInfo().Encrypted);
  ASSERT_EQ(table.RecordCount(), 5000);
  table.FieldDefs().Update();
  const std::vector<TFieldDef> expected = ListingFieldDefs();
  ASSERT_EQ(table.FieldDefs().Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < table.FieldDefs().Count(); ++i) {
    EXPECT_EQ(table.FieldDefs()[i].Name, expected[i].Name);
    EXPECT_EQ(table.FieldDefs()[i].DataType, expected[i].DataType);
    if (expected[i].DataType == ftString || expected[i].DataType == ftMemo) {
      EXPECT_EQ(table.FieldDefs()[i].Size, expected[i].Size) << expected[i].Name;
    }
  }
  TListingGenerator gen;
  int n = 0;
  for (table.First(); !table.Eof(); table.Next(), ++n) {
    const std::vector<TValue> v = gen.Next();
    for (int i = 0; i < lfCount; ++i)
      ASSERT_EQ(table.Fields(i).AsString(), v[i].ToString())
          << "record " << n << " field " << expected[i].Name;
  }
  EXPECT_EQ(n, 5000);
}

TEST(GenTablesTest, ResultTableIsEmptyProtectedAndTakesAppends) {
  TScratchDir dir("gen-result");
  Generate(dir, "p");
  const std::string path = dir / "p/data/swap.db";
  {
    TSession session;
    session.SetAutoSessionName(true);
    session.Open();
    TTable table;
    table.SetSessionName(session.SessionName());
    table.SetTableName(path);
    EXPECT_THROW(table.Open(), EDatabaseError);
  }
  TSession session;
  session.SetAutoSessionName(true);
  session.Open();
  session.AddPassword(kDataPasswordText);
  TTable table;
  table.SetSessionName(session.SessionName());
  table.SetTableName(path);
  table.Open();
  EXPECT_TRUE(table.FileInfo().Encrypted);
  EXPECT_EQ(table.RecordCount(), 0);
  table.FieldDefs().Update();
  const std::vector<TFieldDef> expected = ResultFieldDefs();
  ASSERT_EQ(table.FieldDefs().Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < table.FieldDefs().Count(); ++i) {
    EXPECT_EQ(table.FieldDefs()[i].Name, expected[i].Name);
    EXPECT_EQ(table.FieldDefs()[i].DataType, expected[i].DataType);
  }
  table.IndexDefs().Update();
  ASSERT_GE(table.IndexDefs().Count(), 1);
  EXPECT_EQ(table.IndexDefs()[0].Fields, "Result");

  // What the search worker does with a match: Result fills itself, the telephone takes
  // its 14-character form.
  for (int k = 0; k < 2; ++k) {
    table.Append();
    table.FieldByName("COMPANY").SetAsString("Keller Plumbing");
    table.FieldByName("TELEPHONE").SetAsString("(716) 555-0134");
    table.Post();
  }
  table.Refresh();
  table.Last();
  EXPECT_EQ(table.FieldByName("Result").AsInteger(), 2);
  EXPECT_EQ(table.FieldByName("TELEPHONE").AsString(), "(716) 555-0134");
}

TEST(GenTablesTest, BenchmarkTablesOfAnySizeWithOptionalPassword) {
  TScratchDir dir("gen-out");
  test::TCommandResult r = RunProgram(
      LW_GEN_PATH, {"--records", "321", "--out", dir / "t.db", "--password", "pw1"}, dir);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  TSession session;
  session.SetAutoSessionName(true);
  session.Open();
  session.AddPassword("pw1");
  TTable table;
  table.SetSessionName(session.SessionName());
  table.SetTableName(dir / "t.db");
  table.Open();
  EXPECT_TRUE(table.FileInfo().Encrypted);
  EXPECT_EQ(table.RecordCount(), 321);

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--records", "x", "--out", dir / "u.db"},
                                             {"--out", dir / "u.db"},
                                             {"--dir", dir / "d", "--out", dir / "u.db"},
                                             {"--bogus"}}) {
    r = RunProgram(LW_GEN_PATH, bad, dir);
    EXPECT_EQ(r.ExitCode, 1) << bad[0];
    EXPECT_FALSE(r.Err.empty());
  }
}

}  // namespace
}  // namespace lw::gen
