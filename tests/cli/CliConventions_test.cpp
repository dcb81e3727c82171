// ledgerwake-cli behaves like the command-line tools its users know: help on stdout, usage
// errors with exit status 2, --opt=value, `-` for stdout, every option checked before any
// table is opened, no count after a failure, table paths as given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "SampleHome.h"
#include "Table.h"

namespace lw {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::TScratchDir;

std::string Shown(const std::vector<std::string>& args) {
  std::string s;
  for (const auto& a : args) s += a + " ";
  return s;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  return out;
}

TEST(CliConventions, HelpGoesToStdoutWithStatusZero) {
  TScratchDir dir("cli-help");
  const std::vector<std::vector<std::string>> cases = {{},
                                                       {"help"},
                                                       {"--help"},
                                                       {"-h"},
                                                       {"info", "-h"},
                                                       {"dump", "--help"},
                                                       {"search", "--help"},
                                                       {"help", "search"},
                                                       {"search", "--state", "NY", "-h"}};
  for (const auto& args : cases) {
    const auto r = RunProgram(LW_CLI_PATH, args, dir);
    EXPECT_EQ(r.ExitCode, 0) << Shown(args);
    EXPECT_EQ(r.Err, "") << Shown(args);
    EXPECT_EQ(r.Out.rfind("usage: ledgerwake-cli ", 0), 0u) << Shown(args) << r.Out;
  }
  // The command list: one line per command.
  const auto list = RunProgram(LW_CLI_PATH, {}, dir);
  for (const char* command : {"info", "dump", "search", "help"}) {
    int lines = 0;
    for (const std::string& line : Lines(list.Out))
      lines += line.rfind(std::string("  ") + command + " ", 0) == 0;
    EXPECT_EQ(lines, 1) << command << "\n" << list.Out;
  }
  // A command's help names each of its options on a line of its own.
  const auto search = RunProgram(LW_CLI_PATH, {"search", "--help"}, dir);
  for (const char* option : {"--table FILE", "--export FILE", "--encoding E", "--raw", "--list"})
    EXPECT_NE(search.Out.find("\n  " + std::string(option) + " "), std::string::npos) << option;
}

TEST(CliConventions, VersionPrintsTheVersionBlock) {
  TScratchDir dir("cli-version");
  const auto r = RunProgram(LW_CLI_PATH, {"--version"}, dir);
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out.rfind("ledgerwake-cli (Ledgerwake) ", 0), 0u) << r.Out;
  EXPECT_NE(r.Out.find("Internal name: LW"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Copyright"), std::string::npos) << r.Out;
  // The build folder is a portable copy: everything beside the program.
  EXPECT_NE(r.Out.find("layout: portable\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("  data:      " + std::filesystem::path(LW_CLI_PATH).parent_path().string() +
                       "/data/\n"),
            std::string::npos)
      << r.Out;
}

// A command line that does not fit: the message and a short usage on stderr, one option per
// line, nothing on stdout, status 2 - and nothing is run.
TEST(CliConventions, UsageErrorsExitTwoWithAShortUsage) {
  TScratchDir dir("cli-usage");
  const std::string missingHome = dir / "nonexistent";
  const std::vector<std::vector<std::string>> cases = {
      {"search", "--nope"},
      {"search", "--home", missingHome, "--state=XX"},
      {"search", "--home", missingHome, "--quiet=yes"},
      {"search", "--home", missingHome, "--export", "x.csv", "--format", "xls"},
      {"search", "--home", missingHome, "--export=x.csv", "--encoding=latin9"},
      {"search", "--home", missingHome, "--list", "--export", "-"},
      {"search", "--home", missingHome, "--summary", "city"},
      {"search", "--home", missingHome, "--summary", "state", "--list"},
      {"search", "--home", missingHome, "--export", "-", "--format", "dbase"},
      {"search", "--home", missingHome, "--fields", "COMPANY"},
      {"search", "--home", missingHome, "--sic"},
      {"search", "--home", missingHome, "--near", "85220"},
      {"search", "--home", missingHome, "--miles", "5"},
      {"search", "--home", missingHome, "--near", "8522", "--miles", "5"},
      {"search", "--home", missingHome, "--near", "8522O", "--miles", "5"},
      {"search", "--home", missingHome, "--near", "91,0", "--miles", "5"},
      {"search", "--home", missingHome, "--near", "85220", "--miles", "0"},
      {"search", "--home", missingHome, "--near", "85220", "--miles", "-3"},
      {"search", "--home", missingHome, "--near", "85220", "--miles", "1e9"},
      {"search", "--home", missingHome, "--near", "85220", "--miles", "ten"},
      {"search", "leftover"},
      {"info"},
      {"info", "a.db", "b.db"},
      {"info", "t.db", "--verbose"},
      {"dump", "t.db", "--password"},
  };
  for (const auto& args : cases) {
    const auto r = RunProgram(LW_CLI_PATH, args, dir);
    EXPECT_EQ(r.ExitCode, 2) << Shown(args) << r.Err;
    EXPECT_EQ(r.Out, "") << Shown(args);
    const std::vector<std::string> lines = Lines(r.Err);
    ASSERT_GE(lines.size(), 3u) << Shown(args) << r.Err;
    EXPECT_EQ(lines[0].rfind("ledgerwake-cli " + args[0] + ": ", 0), 0u) << r.Err;
    EXPECT_EQ(lines[1].rfind("usage: ledgerwake-cli " + args[0], 0), 0u) << r.Err;
    for (size_t i = 2; i + 1 < lines.size(); ++i)
      EXPECT_EQ(lines[i].rfind("  --", 0), 0u) << "one option per line: " << lines[i];
  }
  EXPECT_FALSE(fs::exists(missingHome));
  // An unknown command lists the commands.
  const auto r = RunProgram(LW_CLI_PATH, {"frobnicate"}, dir);
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Err.find("unknown command 'frobnicate'"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("\n  search "), std::string::npos) << r.Err;
}

using CliSearchConventions = test::TSampleHomeTest;

TEST_F(CliSearchConventions, EqualsFormGivesTheSameSearch) {
  const auto spaced = Search({"--state", "NY", "--sic", "5*", "--company", "A*", "--list"});
  const auto joined = Search({"--state=NY", "--sic=5*", "--company=A*", "--list"});
  ASSERT_EQ(spaced.ExitCode, 0) << spaced.Err;
  EXPECT_EQ(joined.ExitCode, 0) << joined.Err;
  EXPECT_EQ(joined.Out, spaced.Out);
  EXPECT_GT(test::CountLines(spaced.Out), 1);
}

TEST_F(CliSearchConventions, ExportDashWritesCsvToStdout) {
  const fs::path cwd = fs::current_path();
  fs::current_path(FScratch.Path());
  const auto r = Search({"--state", "NY", "--export", "-", "--fields", "COMPANY,STATE"});
  fs::current_path(cwd);
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_FALSE(fs::exists(FScratch.Path() / "-"));
  const auto rows = test::ParseCsv(r.Out);
  ASSERT_GT(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"COMPANY", "STATE"}));
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][1], "NY");
  EXPECT_EQ(test::FoundLine(r.Err), "Total Records Found: " + std::to_string(rows.size() - 1));
}

// A source table of another layout makes every search fail; an option error shows up first
// exactly when the option is checked before the table is opened.
TEST_F(CliSearchConventions, OptionsAreCheckedBeforeAnyTableIsOpened) {
  {
    TTable other;
    other.SetTableName((FHome.Path() / "sample" / "sample.db").string());
    other.FieldDefs().Add("NAME", ftString, 20);
    other.FieldDefs().Add("CITY", ftString, 20);
    other.CreateTable();
  }
  const auto plain = Search({});
  EXPECT_EQ(plain.ExitCode, 1);
  EXPECT_NE(plain.Err.find("it has 2 fields (NAME, CITY)"), std::string::npos) << plain.Err;
  EXPECT_EQ(plain.Out, "");  // no "Total Records Found" after a failure

  std::ofstream(FScratch / "taken.csv") << "mine";
  test::WriteFileText(FScratch / "plain", "a file");
  struct TCase {
    std::vector<std::string> Args;
    int Status;
    std::string Says;
  };
  std::vector<TCase> cases = {
      {{"--export", FScratch / "x.csv", "--format", "xls"}, 2, "--format: 'xls'"},
      {{"--export", FScratch / "x.csv", "--fields", "NOPE"}, 2, "no field 'NOPE'"},
      {{"--export", FScratch / "taken.csv"}, 1, "exists (give --overwrite"},
      {{"--export", FScratch / "plain/x.csv"}, 1, "is not a directory"},
      {{"--table", FScratch / "absent.db"}, 1, "no such table"},
  };
  if (::geteuid() != 0) {
    fs::create_directories(FScratch.Path() / "ro");
    fs::permissions(FScratch.Path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    cases.push_back({{"--export", FScratch / "ro/x.csv"}, 1, "Permission denied"});
  }
  for (const TCase& c : cases) {
    const auto r = Search(c.Args);
    EXPECT_EQ(r.ExitCode, c.Status) << Shown(c.Args) << r.Err;
    EXPECT_NE(r.Err.find(c.Says), std::string::npos) << Shown(c.Args) << r.Err;
    EXPECT_EQ(r.Err.find("listings table"), std::string::npos) << Shown(c.Args) << r.Err;
    EXPECT_EQ(r.Out, "");
  }
  EXPECT_EQ(test::ReadFile(FScratch / "taken.csv"), "mine");
}

TEST_F(CliSearchConventions, FailedSearchesPrintNoCount) {
  // A damaged source table, and a protected --table without its password.
  test::WriteFileText(FScratch / "junk.db", std::string(4096, 'x'));
  {
    TTable t;
    t.SetTableName(FScratch / "locked.db");
    for (int i = 0; i < 15; ++i) t.FieldDefs().Add("F" + std::to_string(i), ftString, 10);
    t.CreateTable();
    t.SetMasterPassword("s3cret");
  }
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--table", FScratch / "junk.db"},
           {"--table", FScratch / "locked.db"},
           {"--table", FScratch / "locked.db", "--password", "wrong"}}) {
    const auto r = Search(args);
    EXPECT_EQ(r.ExitCode, 1) << Shown(args);
    EXPECT_EQ(r.Out, "") << Shown(args);
    EXPECT_EQ(r.Err.find("Total Records Found"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err, "") << Shown(args);
  }
  const auto opened = Search({"--table", FScratch / "locked.db", "--password", "s3cret"});
  EXPECT_EQ(opened.ExitCode, 0) << opened.Err;
  EXPECT_EQ(test::FoundLine(opened.Out), "Total Records Found: 0");
}

// `search --table`: the user's own file of the listings layout, searched as the sample is.
TEST_F(CliSearchConventions, TableSearchesAFileOfTheListingsLayout) {
  const std::string own = FScratch / "mine.db";
  {
    TTable t;
    t.SetTableName(own);
    for (int i = 0; i < 15; ++i) t.FieldDefs().Add("F" + std::to_string(i), ftString, 20);
    t.CreateTable();
    t.Open();
    for (const char* state : {"NY", "CA", "NY"}) {
      t.Append();
      t.Fields(0).SetAsString(std::string("Firm in ") + state);
      t.Fields(3).SetAsString(state);
      t.Post();
    }
  }
  const auto r = Search({"--table", FScratch / "mine", "--state", "NY", "--list"});
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const auto rows = test::ParseCsv(r.Out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][1], "Firm in NY");
  EXPECT_EQ(test::FoundLine(r.Err), "Total Records Found: 2");
}

TEST(CliConventions, TablePathsAreTakenAsGivenThenWithExtensions) {
  TScratchDir dir("cli-paths");
  for (const char* name : {"par.db", "dbs.dbf"}) {
    TTable t;
    t.SetTableName(dir / name);
    t.FieldDefs().Add("NAME", ftString, 10);
    t.CreateTable();
  }
  for (const std::string& given : {dir / "par.db", dir / "par", dir / "dbs", dir / "dbs.dbf"}) {
    const auto r = RunProgram(LW_CLI_PATH, {"info", given}, dir);
    EXPECT_EQ(r.ExitCode, 0) << given << r.Err;
  }
  test::WriteFileText(dir / "notes", "plain text\n");
  const auto plain = RunProgram(LW_CLI_PATH, {"info", dir / "notes"}, dir);
  EXPECT_EQ(plain.ExitCode, 1);
  EXPECT_NE(plain.Err.find("not a table"), std::string::npos) << plain.Err;
  EXPECT_EQ(plain.Err.find("notes.db"), std::string::npos) << plain.Err;
  const auto missing = RunProgram(LW_CLI_PATH, {"dump", dir / "gone"}, dir);
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_NE(missing.Err.find("no such table: '" + dir / "gone" + "'"), std::string::npos)
      << missing.Err;
}

}  // namespace
}  // namespace lw
