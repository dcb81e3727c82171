// ledgerwake-cli search on the sample data, checked against a count made here from a dump.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "SampleHome.h"

namespace lw {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::TScratchDir;

using CliSearch = test::TSampleHomeTest;
using test::Column;
using test::FoundLine;
using test::ParseCsv;

TEST_F(CliSearch, CountAgreesWithAnIndependentCountOfTheDump) {
  auto dump =
      RunProgram(LW_CLI_PATH, {"dump", (FHome.Path() / "sample" / "sample.db").string()}, FScratch);
  ASSERT_EQ(dump.ExitCode, 0) << dump.Err;
  auto rows = ParseCsv(dump.Out);
  ASSERT_GT(rows.size(), 1u);
  const auto& header = rows[0];
  const int state = Column(header, "STATE");
  const int sics[] = {Column(header, "SIC"), Column(header, "SIC 2"), Column(header, "SIC 3")};
  int expected = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    if (rows[r][state] != "NY") continue;
    bool sic = false;
    for (int s : sics) sic = sic || rows[r][s].rfind("50", 0) == 0;
    expected += sic;
  }
  ASSERT_GT(expected, 0) << "the sample should hold such listings";

  auto result = Search({"--state", "NY", "--sic", "50*"});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_EQ(FoundLine(result.Out), "Total Records Found: " + std::to_string(expected));

  // --list gives those rows as CSV, the count going to stderr.
  auto listed = Search({"--state", "NY", "--sic", "50*", "--list"});
  EXPECT_EQ(listed.ExitCode, 0) << listed.Err;
  auto found = ParseCsv(listed.Out);
  ASSERT_EQ(found.size(), static_cast<size_t>(expected) + 1);
  EXPECT_EQ(found[0][0], "Result");
  const int foundState = Column(found[0], "STATE");
  for (size_t r = 1; r < found.size(); ++r) EXPECT_EQ(found[r][foundState], "NY");
  EXPECT_EQ(FoundLine(listed.Err), "Total Records Found: " + std::to_string(expected));

  // --summary counts the same rows by employee class, most first, the count on stderr.
  std::map<std::string, int> byClass;
  for (size_t r = 1; r < found.size(); ++r) ++byClass[found[r][Column(found[0], "EMPLOYEES")]];
  auto summary = Search({"--state", "NY", "--sic", "50*", "--summary", "employees"});
  EXPECT_EQ(summary.ExitCode, 0) << summary.Err;
  std::map<std::string, int> printed;
  int last = expected;
  for (const auto& row : ParseCsv(summary.Out)) {
    const size_t tab = row[0].find('\t');
    printed[row[0].substr(0, tab)] = std::stoi(row[0].substr(tab + 1));
    EXPECT_LE(printed[row[0].substr(0, tab)], last) << "not sorted by count";
    last = printed[row[0].substr(0, tab)];
  }
  EXPECT_EQ(printed, byClass);
  EXPECT_EQ(FoundLine(summary.Err), "Total Records Found: " + std::to_string(expected));
}

TEST_F(CliSearch, RepeatedSearchesDoNotAccumulate) {
  auto first = Search({"--company", "A*", "--keep"});
  EXPECT_EQ(first.ExitCode, 0) << first.Err;
  auto second = Search({"--company", "A*", "--list"});
  EXPECT_EQ(FoundLine(first.Out), FoundLine(second.Err));
  // The rows of the first search were cleared before the second ran.
  const std::string count = FoundLine(second.Err).substr(21);
  EXPECT_EQ(ParseCsv(second.Out).size(), std::stoul(count) + 1);
}

TEST_F(CliSearch, FailuresPrintTheMessageAndExitOne) {
  auto emptyItem = Search({"--zip", "00000,"});
  EXPECT_EQ(emptyItem.ExitCode, 1);
  EXPECT_NE(emptyItem.Err.find("The zip code list contains an empty item."), std::string::npos)
      << emptyItem.Err;

  auto badRow = Search({"--state", "XX"});
  EXPECT_EQ(badRow.ExitCode, 2);  // a value the option does not take: a usage error
  EXPECT_NE(badRow.Err.find("'XX'"), std::string::npos) << badRow.Err;

  fs::remove(FHome.Path() / "data" / "swap.db");
  auto noResultTable = Search({});
  EXPECT_EQ(noResultTable.ExitCode, 1);
  EXPECT_NE(noResultTable.Err.find("File not found. '"), std::string::npos) << noResultTable.Err;
}

// The match options widen a search; a saved search runs again as saved, under what the
// command line adds or replaces, and `searches` lists and deletes it.
TEST_F(CliSearch, MatchOptionsAndSavedSearches) {
  auto count = [this](std::vector<std::string> args) {
    auto r = Search(args);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    const std::string line = FoundLine(r.Out);
    return line.empty() ? -1 : std::stoi(line.substr(21));
  };
  const int newCities = count({"--city", "New*"});
  ASSERT_GT(newCities, 0) << "the sample should hold cities beginning with New";
  EXPECT_EQ(count({"--city", "new*"}), 0);
  EXPECT_EQ(count({"--city", "new*", "--ignore-case"}), newCities);
  EXPECT_EQ(count({"--city", "NEW YORK ", "--ignore-case"}), count({"--city", "New York"}));
  EXPECT_EQ(count({"--city", "*York"}), 0);
  EXPECT_GE(count({"--city", "*York", "--wildcards"}), count({"--city", "New York"}));

  const int saved = count({"--save", "East", "--city", "new*", "--ignore-case", "--state", "NY"});
  EXPECT_GT(saved, 0);
  auto searches = [this](std::vector<std::string> args) {
    args.insert(args.begin(), {"searches", "--home", FHome.Path().string()});
    return RunProgram(LW_CLI_PATH, args, FScratch);
  };
  auto listed = searches({});
  EXPECT_EQ(listed.ExitCode, 0) << listed.Err;
  EXPECT_EQ(listed.Out, "East\t--city 'new*' --state 'NY' --ignore-case\n");
  EXPECT_EQ(count({"--saved", "east"}), saved);  // names compare without case
  EXPECT_EQ(count({"--saved", "East", "--state", "CA"}),
            count({"--city", "new*", "--ignore-case", "--state", "NY", "--state", "CA"}));
  EXPECT_EQ(count({"--saved", "East", "--city", "*"}), count({"--state", "NY"}));
  EXPECT_EQ(Search({"--saved", "West"}).ExitCode, 1);

  // The settings file's own characters survive in a saved criterion.
  EXPECT_EQ(count({"--save", "Odd", "--company", "A;B%41 = \"x\""}), 0);
  EXPECT_NE(searches({}).Out.find("Odd\t--company 'A;B%41 = \"x\"'\n"), std::string::npos);
  EXPECT_EQ(searches({"--delete", "East"}).ExitCode, 0);
  EXPECT_EQ(searches({"--delete", "odd"}).ExitCode, 0);
  EXPECT_EQ(searches({}).Out, "");
  EXPECT_EQ(searches({"--delete", "East"}).ExitCode, 1);
  EXPECT_EQ(Search({"--save", "[x", "--city", "A*"}).ExitCode, 2);
}

}  // namespace
}  // namespace lw
