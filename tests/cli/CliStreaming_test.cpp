// `search --list` streams its rows while the search runs, and a closed pipe, SIGTERM or
// SIGINT stop the search the way Abort does: the result table emptied unless --keep, no
// message, the shell's status for the signal.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "ChildProcess.h"
#include "CommandRunner.h"
#include "DataPassword.h"
#include "SampleHome.h"
#include "Session.h"
#include "Table.h"

namespace lw {
namespace {

namespace fs = std::filesystem;

// The listings table these tests search: large enough that its listing cannot fit into a
// pipe's buffer, so the search is still running when the reader goes away.
constexpr int kRecords = 40000;

class CliStreaming : public test::TSampleHomeTest {
 protected:
  void SetUp() override {
    test::TSampleHomeTest::SetUp();
    if (IsSkipped()) return;
#ifndef LW_GEN_PATH
    GTEST_SKIP() << "the generator is not built here";
#else
    const auto r = test::RunProgram(
        LW_GEN_PATH, {"--records", std::to_string(kRecords), "--out", Table()}, FScratch);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
#endif
  }

  std::string Table() const {
    return FScratch / "listings.db";
  }

  // Starts `search --list` over the large table with everything matching.
  std::unique_ptr<test::TChildProcess> StartListing(bool keep) {
    std::vector<std::string> args = {"search", "--home", FHome.Path().string(), "--table", Table(),
                                     "--list", "--quiet"};
    if (keep) args.push_back("--keep");
    auto child = std::make_unique<test::TChildProcess>(LW_CLI_PATH, args, FScratch / "err.txt");
    EXPECT_TRUE(child->Started());
    return child;
  }

  int64_t ResultCount() {
    TSession::Default().AddPassword(kDataPasswordText);
    TTable t;
    t.SetTableName((FHome.Path() / "data" / "swap.db").string());
    t.SetReadOnly(true);
    t.Open();
    return t.RecordCount();
  }
  std::string Err() {
    return test::ReadFile(FScratch / "err.txt");
  }
};

TEST_F(CliStreaming, AClosedPipeStopsTheSearchQuietly) {
  for (bool keep : {false, true}) {
    auto child = StartListing(keep);
    // Rows arrive while the search runs: the header and the first rows.
    const std::string head = child->ReadLines(3);
    EXPECT_EQ(head.rfind("Result,COMPANY,", 0), 0u) << head;
    EXPECT_EQ(test::CountLines(head), 3);
    child->CloseOutput();
    EXPECT_EQ(child->Wait(), 141) << "keep " << keep;
    EXPECT_EQ(Err(), "") << "keep " << keep;
    const int64_t kept = ResultCount();
    if (keep) {
      // Stopped part-way: some rows kept, not the whole table.
      EXPECT_GT(kept, 0);
      EXPECT_LT(kept, kRecords);
    } else {
      EXPECT_EQ(kept, 0);
    }
  }
}

TEST_F(CliStreaming, SigtermAndSigintStopLikeAbort) {
  for (const auto& [signal, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
    auto child = StartListing(false);
    ASSERT_EQ(test::CountLines(child->ReadLines(2)), 2);
    child->Signal(signal);
    // Read on, so that a write blocked on the full pipe finishes and the stop is seen.
    const std::string rest = child->ReadAll();
    EXPECT_EQ(child->Wait(), status) << "signal " << signal;
    EXPECT_LT(test::CountLines(rest), kRecords) << "signal " << signal;
    EXPECT_EQ(Err(), "") << "signal " << signal;
    EXPECT_EQ(ResultCount(), 0) << "signal " << signal;
  }
}

// The listing of a search that runs to its end: every row, once, the count on stderr.
TEST_F(CliStreaming, AFullListingHoldsEveryRowOnce) {
  auto child = StartListing(false);
  const auto rows = test::ParseCsv(child->ReadAll());
  EXPECT_EQ(child->Wait(), 0) << Err();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRecords) + 1);
  for (size_t i = 1; i < rows.size(); ++i) ASSERT_EQ(rows[i][0], std::to_string(i));
  EXPECT_EQ(test::FoundLine(Err()), "Total Records Found: " + std::to_string(kRecords));
}

}  // namespace
}  // namespace lw
