// ledgerwake-cli info and dump, run as a user runs them.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "CommandRunner.h"
#include "Table.h"

namespace lw {
namespace {

using test::RunProgram;
using test::TScratchDir;

// A small table whose values exercise the CSV quoting and every field kind the dump shows.
void MakeTable(const std::string& path, const std::string& password = "") {
  TTable t;
  t.SetTableName(path);
  t.SetTableType(ttParadox);
  t.FieldDefs().Add("NAME", ftString, 30);
  t.FieldDefs().Add("SIC DESCRIPTION", ftString, 40);
  t.FieldDefs().Add("QTY", ftSmallint);
  t.FieldDefs().Add("PRICE", ftFloat);
  t.FieldDefs().Add("SEEN", ftDate);
  t.FieldDefs().Add("HQ", ftBoolean);
  t.FieldDefs().Add("NOTES", ftMemo, 10);
  t.CreateTable();
  t.Open();
  auto add = [&t](std::vector<TValue> v) {
    t.Append();
    for (size_t i = 0; i < v.size(); ++i) t.Fields(static_cast<int>(i)).SetValue(v[i]);
    t.Post();
  };
  add({TValue::String("Keller Plumbing"), TValue::String("Plumbing, Heating"), TValue::Integer(12),
       TValue::Float(2.5), TValue::Date(DayNumberFromCivil(2024, 2, 29)), TValue::Boolean(true),
       TValue::String("two\r\nlines")});
  add({TValue::String("Joe's \"Best\" Diner"), TValue::String("Eating Places"), TValue::Integer(-3),
       TValue::Float(-0.125), TValue::Null(), TValue::Boolean(false), TValue::Null()});
  add({TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(),
       TValue::Null(), TValue::Null()});
  t.Close();
  if (!password.empty()) t.SetMasterPassword(password);
}

const char* const kExpectedDump =
    "NAME,SIC DESCRIPTION,QTY,PRICE,SEEN,HQ,NOTES\r\n"
    "Keller Plumbing,\"Plumbing, Heating\",12,2.5,2024-02-29,True,\"two\r\nlines\"\r\n"
    "\"Joe's \"\"Best\"\" Diner\",Eating Places,-3,-0.125,,False,\r\n"
    ",,,,,,\r\n";

TEST(CliTest, DumpWritesRfc4180CsvWithHeaderInTableOrder) {
  TScratchDir dir("cli-dump");
  MakeTable(dir / "t.db");
  test::TCommandResult r = RunProgram(LW_CLI_PATH, {"dump", dir / "t.db"}, dir);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, kExpectedDump);
  EXPECT_EQ(r.Err, "");
}

// A table that fails in its second record: the dump shows the rows before it whole and not
// a part of the failing one.
TEST(CliTest, DumpFailingMidTableWritesOnlyCompleteRows) {
  TScratchDir dir("cli-dump-damaged");
  // dBase III: NAME C(5), QTY N(5); the second record's number is damaged.
  std::string b(32 + 2 * 32 + 1, '\0');
  b[0] = 0x03;
  b[4] = 3;
  b[8] = static_cast<char>(b.size());
  b[10] = 11;
  b.replace(32, 4, "NAME");
  b[32 + 11] = 'C';
  b[32 + 16] = 5;
  b.replace(64, 3, "QTY");
  b[64 + 11] = 'N';
  b[64 + 16] = 5;
  b[96] = 0x0D;
  b += " first    1 secnd  1x2 third    3\x1A";
  { std::ofstream(dir / "t.dbf", std::ios::binary) << b; }
  test::TCommandResult r = RunProgram(LW_CLI_PATH, {"dump", dir / "t.dbf"}, dir);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Out, "NAME,QTY\r\nfirst,1\r\n");
  EXPECT_NE(r.Err.find("record 2, field 'QTY': invalid number"), std::string::npos) << r.Err;
}

TEST(CliTest, InfoListsStructureCountAndFormat) {
  TScratchDir dir("cli-info");
  MakeTable(dir / "t.db");
  test::TCommandResult r = RunProgram(LW_CLI_PATH, {"info", dir / "t.db"}, dir);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Format:      Paradox"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Encrypted:   no\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Records:     3\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Code page:"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Fields:      7\n"), std::string::npos) << r.Out;
  EXPECT_TRUE(std::regex_search(r.Out, std::regex(R"(\n +0 +NAME +String +30\n)"))) << r.Out;
  EXPECT_TRUE(std::regex_search(r.Out, std::regex(R"(\n +1 +SIC DESCRIPTION +String +40\n)")));
  EXPECT_TRUE(std::regex_search(r.Out, std::regex(R"(\n +6 +NOTES +Memo +10\n)"))) << r.Out;
}

TEST(CliTest, ProtectedTableNeedsItsPassword) {
  TScratchDir dir("cli-protected");
  MakeTable(dir / "t.db", "s3cret");
  test::TCommandResult r = RunProgram(LW_CLI_PATH, {"dump", dir / "t.db"}, dir);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(test::CountLines(r.Err), 1) << r.Err;
  EXPECT_EQ(r.Out, "");
  r = RunProgram(LW_CLI_PATH, {"dump", dir / "t.db", "--password", "s3cret"}, dir);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, kExpectedDump);
  r = RunProgram(LW_CLI_PATH, {"info", "--password", "s3cret", dir / "t.db"}, dir);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Encrypted:   yes\n"), std::string::npos) << r.Out;
}

// Every failure is one line on stderr, nothing on stdout, and exit status 1.
TEST(CliTest, UnreadableTablesFailWithOneLine) {
  TScratchDir dir("cli-bad");
  MakeTable(dir / "t.db");
  { std::ofstream(dir / "junk.db", std::ios::binary) << std::string(3000, 'x'); }
  {
    std::ofstream(dir / "short.db", std::ios::binary)
        << test::ReadFile(dir / "t.db").substr(0, 100);
  }
  const std::vector<std::vector<std::string>> cases = {
      {"dump", dir / "missing.db"},
      {"info", dir / "missing.db"},
      {"dump", dir / "junk.db"},
      {"info", dir / "short.db"},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    test::TCommandResult r = RunProgram(LW_CLI_PATH, args, dir);
    EXPECT_EQ(r.ExitCode, 1) << shown;
    EXPECT_EQ(test::CountLines(r.Err), 1) << shown << ": " << r.Err;
    EXPECT_EQ(r.Err.rfind("ledgerwake-cli: ", 0), 0u) << shown << ": " << r.Err;
    EXPECT_EQ(r.Out, "") << shown;
  }
  // The message names the table it could not read.
  test::TCommandResult r = RunProgram(LW_CLI_PATH, {"dump", dir / "missing.db"}, dir);
  EXPECT_NE(r.Err.find("missing.db"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace lw
