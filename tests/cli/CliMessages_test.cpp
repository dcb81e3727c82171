// What ledgerwake-cli says when something is wrong: in the user's terms, one line starting
// with the program's name, and the status a script can act on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SampleHome.h"
#include "Table.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

using CliMessages = test::TSampleHomeTest;

TEST_F(CliMessages, EachFailureSaysWhatIsWrongInOnePrefixedLine) {
  fs::create_directories(FScratch.Path() / "folder");
  test::WriteFileText(FScratch / "names.csv", "\"COMPANY\",\"CITY\"\r\n\"Acme\",\"Troy\"\r\n");
  {
    TTable t;
    t.SetTableName(FScratch / "people.db");
    t.FieldDefs().Add("ID", ftInteger, 0);
    t.FieldDefs().Add("NAME", ftString, 20);
    t.CreateTable();
  }
  const std::string missing = FScratch / "missing";
  struct TCase {
    std::vector<std::string> Args;  // after `search --home HOME`, or a whole command line
    int Status;
    std::string FirstLine;  // "" for none
  } cases[] = {
      {{"--quiet", "--state", "NY"}, 0, ""},
      {{"--state", "NY", "--export", missing + "/x.csv"},
       1,
       "ledgerwake-cli: --export: no such directory: " + missing + " (give --mkdir to create it)"},
      {{"--quiet", "--export", "x.csv", "--fields", "COMPANY,BOGUS"},
       2,
       "ledgerwake-cli search: --fields: no field 'BOGUS' (the fields: Result, COMPANY, "},
      {{"--quiet", "--sic", "50,,7"},
       1,
       "ledgerwake-cli: The SIC code list contains an empty item."},
      {{"--quiet", "--table", FScratch / "people.db"},
       1,
       "ledgerwake-cli: The source table is not a listings table: it has 2 fields (ID, NAME), "
       "and a listings table has 15 or more, starting with COMPANY, ADDRESS, CITY, STATE, ZIP"},
      {{"info", FScratch / "folder"},
       1,
       "ledgerwake-cli: '" + FScratch / "folder" +
           "' is a directory, not a table (tables are Paradox .db or dBase .dbf files)"},
      {{"dump", FScratch / "names.csv"},
       1,
       "ledgerwake-cli: '" + FScratch / "names.csv" + "' is a CSV file, not a table ("},
  };
  for (const TCase& c : cases) {
    const bool search = c.Args[0] != "info" && c.Args[0] != "dump";
    const auto r = search ? Search(c.Args) : test::RunProgram(LW_CLI_PATH, c.Args, FScratch);
    EXPECT_EQ(r.ExitCode, c.Status) << c.Args[1] << r.Err;
    const std::string first = r.Err.substr(0, r.Err.find('\n'));
    EXPECT_EQ(c.FirstLine.empty() ? r.Err : first.substr(0, c.FirstLine.size()), c.FirstLine);
    if (c.Status == 1) {
      EXPECT_EQ(test::CountLines(r.Err), 1) << r.Err;
    }
  }
  EXPECT_FALSE(fs::exists(missing));
  const auto made = Search({"--quiet", "--state", "NY", "--export", missing + "/x.csv", "--mkdir"});
  EXPECT_EQ(made.ExitCode, 0) << made.Err;
  EXPECT_TRUE(fs::exists(missing + "/x.csv"));
}

}  // namespace
}  // namespace lw
