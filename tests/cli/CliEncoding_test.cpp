// Text in the table's code page: `dump`, `info` and `search --list` write UTF-8 unless told
// --raw; a CSV export keeps the stored bytes unless told --encoding utf-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandRunner.h"
#include "SampleHome.h"
#include "Table.h"

namespace lw {
namespace {

using test::RunProgram;
using test::TScratchDir;

// "Té€n" as Windows-1252 stores it (the code page our tables record), and as UTF-8.
const std::string kStored = "T\xE9\x80n";
const std::string kUtf8 = "T\xC3\xA9\xE2\x82\xACn";

// A table of the listings layout whose company name and one field name hold kStored.
void MakeListings(const std::string& path) {
  TTable t;
  t.SetTableName(path);
  for (int i = 0; i < 15; ++i)
    t.FieldDefs().Add(i == 9 ? "CONTACT " + kStored : "F" + std::to_string(i), ftString, 20);
  t.CreateTable();
  t.Open();
  t.Append();
  t.Fields(0).SetAsString(kStored);
  t.Fields(3).SetAsString("NY");
  t.Post();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CliEncoding, DumpAndInfoWriteUtf8UnlessRaw) {
  TScratchDir dir("cli-enc");
  MakeListings(dir / "t.db");
  const auto dump = RunProgram(LW_CLI_PATH, {"dump", dir / "t.db"}, dir);
  ASSERT_EQ(dump.ExitCode, 0) << dump.Err;
  EXPECT_TRUE(Has(dump.Out, "CONTACT " + kUtf8 + ",")) << dump.Out;
  EXPECT_TRUE(Has(dump.Out, "\n" + kUtf8 + ",")) << dump.Out;
  EXPECT_FALSE(Has(dump.Out, kStored));
  const auto raw = RunProgram(LW_CLI_PATH, {"dump", "--raw", dir / "t.db"}, dir);
  EXPECT_TRUE(Has(raw.Out, "\n" + kStored + ",")) << raw.Out;
  EXPECT_FALSE(Has(raw.Out, kUtf8));

  const auto info = RunProgram(LW_CLI_PATH, {"info", dir / "t.db"}, dir);
  ASSERT_EQ(info.ExitCode, 0) << info.Err;
  EXPECT_TRUE(Has(info.Out, "CONTACT " + kUtf8 + "  ")) << info.Out;
  const auto rawInfo = RunProgram(LW_CLI_PATH, {"info", dir / "t.db", "--raw"}, dir);
  EXPECT_TRUE(Has(rawInfo.Out, "CONTACT " + kStored + "  ")) << rawInfo.Out;
}

using CliSearchEncoding = test::TSampleHomeTest;

TEST_F(CliSearchEncoding, ListingIsUtf8AndExportKeepsTheStoredBytes) {
  const std::string table = FScratch / "own.db";
  MakeListings(table);
  const auto listed = Search({"--table", table, "--list"});
  ASSERT_EQ(listed.ExitCode, 0) << listed.Err;
  EXPECT_TRUE(Has(listed.Out, "," + kUtf8 + ",")) << listed.Out;
  const auto raw = Search({"--table", table, "--list", "--raw"});
  EXPECT_TRUE(Has(raw.Out, "," + kStored + ",")) << raw.Out;

  const auto stored = Search({"--table", table, "--export", FScratch / "stored.csv"});
  ASSERT_EQ(stored.ExitCode, 0) << stored.Err;
  EXPECT_TRUE(Has(test::ReadFile(FScratch / "stored.csv"), "\"" + kStored + "\""));
  const auto utf8 =
      Search({"--table", table, "--export", FScratch / "utf8.csv", "--encoding", "utf-8"});
  ASSERT_EQ(utf8.ExitCode, 0) << utf8.Err;
  EXPECT_TRUE(Has(test::ReadFile(FScratch / "utf8.csv"), "\"" + kUtf8 + "\""));
}

}  // namespace
}  // namespace lw
