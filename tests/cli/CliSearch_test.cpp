// ledgerwake-cli search on the sample data, checked against a count made here from a dump.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
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

// The radius against distances worked out here from the dump, another way (the chord between
// unit vectors): a zip's centre is the mean position of its records.
TEST_F(CliSearch, RadiusAgreesWithABruteForceReference) {
  auto rows = ParseCsv(
      RunProgram(LW_CLI_PATH, {"dump", (FHome.Path() / "sample" / "sample.db").string()}, FScratch)
          .Out);
  ASSERT_GT(rows.size(), 100u);
  const auto& h = rows[0];
  const int zip = Column(h, "ZIP"), lat = Column(h, "LATITUDE"), lon = Column(h, "LONGITUDE");
  const int state = Column(h, "STATE"), company = Column(h, "COMPANY");
  auto miles = [](double la1, double lo1, double la2, double lo2) {
    const double r = std::numbers::pi / 180;
    const double dx = std::cos(la1 * r) * std::cos(lo1 * r) - std::cos(la2 * r) * std::cos(lo2 * r);
    const double dy = std::cos(la1 * r) * std::sin(lo1 * r) - std::cos(la2 * r) * std::sin(lo2 * r);
    const double dz = std::sin(la1 * r) - std::sin(la2 * r);
    return 2 * 3958.8 * std::asin(std::sqrt(dx * dx + dy * dy + dz * dz) / 2);
  };
  const auto& first = rows[1];
  const std::string zip5 = first[zip].substr(0, 5);
  double sumLat = 0, sumLon = 0;
  int inZip = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    if (rows[r][zip].rfind(zip5, 0) != 0 || rows[r][lat].empty()) continue;
    sumLat += std::stod(rows[r][lat]);
    sumLon += std::stod(rows[r][lon]);
    ++inZip;
  }
  const double zipLat = sumLat / inZip, zipLon = sumLon / inZip;
  const std::string point = rows[7][lat] + "," + rows[7][lon];
  const struct {
    std::vector<std::string> Args;
    double CentreLat, CentreLon, Miles;
    std::string State;
  } cases[] = {
      {{"--near", zip5, "--miles", "25"}, zipLat, zipLon, 25, ""},
      {{"--near", zip5, "--miles", "400", "--state", first[state]},
       zipLat,
       zipLon,
       400,
       first[state]},
      {{"--near", point, "--miles", "60.5"},
       std::stod(rows[7][lat]),
       std::stod(rows[7][lon]),
       60.5,
       ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected;
    for (size_t r = 1; r < rows.size(); ++r)
      if (!rows[r][lat].empty() && (c.State.empty() || rows[r][state] == c.State) &&
          miles(c.CentreLat, c.CentreLon, std::stod(rows[r][lat]), std::stod(rows[r][lon])) <=
              c.Miles)
        expected.push_back(rows[r][company] + "|" + rows[r][zip]);
    EXPECT_GT(expected.size(), 0u) << c.Args[1];
    EXPECT_LT(expected.size(), rows.size() - 1) << c.Args[1];
    std::vector<std::string> args = c.Args;
    args.push_back("--list");
    auto listed = Search(args);
    EXPECT_EQ(listed.ExitCode, 0) << listed.Err;
    auto found = ParseCsv(listed.Out);
    std::vector<std::string> got;
    for (size_t r = 1; r < found.size(); ++r)
      got.push_back(found[r][Column(found[0], "COMPANY")] + "|" +
                    found[r][Column(found[0], "ZIP")]);
    EXPECT_EQ(got, expected) << c.Args[1] << " " << c.Args[3];
  }
  // A zip the table does not hold fails where the criteria fail, with nothing found.
  auto absent = Search({"--near", "00000", "--miles", "10"});
  EXPECT_EQ(absent.ExitCode, 1);
  EXPECT_NE(absent.Err.find("zip code 00000 has a position"), std::string::npos) << absent.Err;
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
