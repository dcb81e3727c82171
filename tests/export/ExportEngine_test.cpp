// The run around the writers: what refuses an export before anything is touched, the
// overwrite question, progress, abort and the common end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ExportFixture.h"

namespace lw::test {
namespace {

class ExportRun : public ::testing::TestWithParam<TExportFormat> {
 protected:
  ExportRun()
      : FSource(FDir.File("src.db"), {Def("NAME", ftString, 10), Def("N", ftInteger)}, Records(5)) {
    FEngine.SetAllRows();
    FEngine.SetFormat(GetParam());
    FRecorder.Attach(FEngine);
  }

  static std::vector<std::vector<TValue>> Records(int n) {
    std::vector<std::vector<TValue>> rows;
    for (int i = 1; i <= n; ++i)
      rows.push_back({TValue::String("r" + std::to_string(i)), TValue::Integer(i)});
    return rows;
  }

  // Records in the output, read back as the format's reader sees them.
  int OutputRecords(const std::string& path) {
    if (GetParam() == efCsv) {
      const std::string text = ReadFile(path);
      int lines = 0;
      for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
      return lines - 1;
    }
    TTable t;
    t.SetTableName(path);
    t.SetTableType(GetParam() == efDbase ? ttDBase : ttParadox);
    t.Open();
    return static_cast<int>(t.RecordCount());
  }

  TTempDir FDir;
  TSourceTable FSource;
  TExportEngine FEngine{*FSource};
  TExportRecorder FRecorder;
};

TEST_P(ExportRun, AnEmptyNameIsRefusedBeforeAnythingElse) {
  TExportResult r = FEngine.Execute();
  EXPECT_EQ(r.Outcome, TExportOutcome::Refused);
  EXPECT_EQ(FRecorder.Messages, (std::vector<std::string>{"Invalid File Name."}));
  EXPECT_TRUE(FRecorder.Running.empty());
  EXPECT_EQ(FRecorder.EventRuns, 0);
}

// Regression: with every field unchecked the writers used to run anyway and leave a CSV line
// with nothing in it or fail inside the table engine. An export without fields is refused
// before any file is touched.
TEST_P(ExportRun, NoCheckedFieldIsRefusedAndWritesNothing) {
  for (const TExportRow& row : FEngine.Rows()) EXPECT_TRUE(row.Checked);
  std::vector<TExportRow> rows = FEngine.Rows();
  for (TExportRow& row : rows) row.Checked = false;
  FEngine.SetRows(rows);
  const std::string out = FDir.File("none/out.x");
  FEngine.SetOutputName(out);
  EXPECT_EQ(FEngine.Execute().Outcome, TExportOutcome::Refused);
  EXPECT_EQ(FRecorder.Messages, (std::vector<std::string>{"No fields selected."}));
  EXPECT_TRUE(FRecorder.Running.empty());
  EXPECT_FALSE(std::filesystem::exists(FDir.File("none")));
}

TEST_P(ExportRun, AnsweringNoToOverwriteKeepsTheOldFile) {
  const std::string out = FDir.File("old.out");
  WriteFile(out, "keep me");
  FEngine.SetOutputName(out);
  FRecorder.Answer = false;
  EXPECT_EQ(FEngine.Execute().Outcome, TExportOutcome::Refused);
  EXPECT_EQ(FRecorder.Questions, (std::vector<std::string>{"File already exists. Overwrite ?"}));
  EXPECT_EQ(ReadFile(out), "keep me");
  EXPECT_TRUE(FRecorder.Running.empty());
  EXPECT_TRUE(FRecorder.Messages.empty());
}

TEST_P(ExportRun, AnsweringYesReplacesTheOldFile) {
  const std::string out = FDir.File("old.out");
  WriteFile(out, std::string(100000, 'z'));
  FEngine.SetOutputName(out);
  FRecorder.Answer = true;
  EXPECT_EQ(FEngine.Execute().Outcome, TExportOutcome::Completed);
  EXPECT_EQ(OutputRecords(out), 5);
  EXPECT_EQ(ReadFile(out).find("zzzz"), std::string::npos);
}

TEST_P(ExportRun, ADirectoryIsNeverReplaced) {
  std::filesystem::create_directory(FDir.File("dir"));
  FEngine.SetOutputName(FDir.File("dir"));
  FRecorder.Answer = true;
  EXPECT_EQ(FEngine.Execute().Outcome, TExportOutcome::Refused);
  ASSERT_EQ(FRecorder.Messages.size(), 1u);
  EXPECT_NE(FRecorder.Messages[0].find("is a directory"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(FDir.File("dir")));
}

TEST_P(ExportRun, MissingDirectoriesAreCreated) {
  const std::string out = FDir.File("a/b/c/out.x");
  FEngine.SetOutputName(out);
  EXPECT_EQ(FEngine.Execute().Outcome, TExportOutcome::Completed);
  EXPECT_EQ(OutputRecords(out), 5);
}

TEST_P(ExportRun, FiveRecordsMoveTheBarByTheShareDoneAndLeaveItFull) {
  FEngine.SetOutputName(FDir.File("out.x"));
  TExportResult r = FEngine.Execute();
  EXPECT_EQ(r.Outcome, TExportOutcome::Completed);
  EXPECT_EQ(r.Written, 5);
  EXPECT_EQ(FRecorder.Positions, (std::vector<int>{0, 20, 40, 60, 80, 100}));
  ASSERT_EQ(FRecorder.WrittenEvents.size(), 5u);
  EXPECT_EQ(FRecorder.WrittenEvents.back(), std::make_pair(100, 5));
  EXPECT_EQ(FRecorder.EventRuns, 5);
  EXPECT_EQ(FRecorder.Running, (std::vector<bool>{true, false}));
  EXPECT_FALSE(FEngine.IsRunning());
  EXPECT_EQ(FEngine.Position(), 100);
  EXPECT_TRUE(FRecorder.Messages.empty());
}

TEST_P(ExportRun, AbortDuringTheThirdRecordKeepsTwo) {
  const std::string out = FDir.File("out.x");
  FEngine.SetOutputName(out);
  FRecorder.OnEvents = [this](int run) {
    EXPECT_TRUE(FEngine.IsRunning());
    if (run == 3) FEngine.Abort();
  };
  TExportResult r = FEngine.Execute();
  EXPECT_EQ(r.Outcome, TExportOutcome::Aborted);
  EXPECT_EQ(r.Written, 2);
  EXPECT_EQ(FRecorder.WrittenEvents.back().second, 2);
  EXPECT_EQ(OutputRecords(out), 2);
  EXPECT_EQ(FRecorder.Positions.back(), 40);  // two of five done
  // The source cursor stays where the loop stopped.
  EXPECT_EQ(FSource->FieldByName("N").AsInteger(), 3);
  // The next run starts afresh.
  FRecorder.OnEvents = nullptr;
  FRecorder.Answer = true;
  EXPECT_EQ(FEngine.Execute().Written, 5);
}

TEST_P(ExportRun, ThePositionReaches100OnlyWhenEveryRecordWasVisited) {
  FSource->Last();
  for (int i = 6; i <= 250; ++i) {
    FSource->Append();
    FSource->Fields(1).SetAsInteger(i);
    FSource->Post();
  }
  FEngine.SetOutputName(FDir.File("out.x"));
  int visits = 0;
  int before = 0;
  FRecorder.OnEvents = [&](int run) {
    visits = run;
    before = FEngine.Position();
  };
  EXPECT_EQ(FEngine.Execute().Written, 250);
  EXPECT_EQ(visits, 250);
  EXPECT_EQ(before, 99);
  EXPECT_EQ(FRecorder.WrittenEvents.back(), std::make_pair(100, 250));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportRun, ::testing::Values(efCsv, efDbase, efParadox), [](const auto& info) {
      return std::string(info.param == efCsv ? "Csv" : info.param == efDbase ? "Dbase" : "Paradox");
    });

TEST(ExportProgressText, HasTheWindowsLayout) {
  EXPECT_EQ(ExportProgressText(42, 1234), "  [42 %]   1234 exported.");
}

}  // namespace
}  // namespace lw::test
