// dBase and Paradox output: the dBase field-name rule, the values read back through our own
// engine, and records the output table refuses.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "ExportFieldNames.h"
#include "ExportFixture.h"

namespace lw::test {
namespace {

TEST(ExportFieldName, DbaseShortensLongOrBlankOrHyphenatedNames) {
  EXPECT_EQ(ExportFieldName("COMPANY NAME", 2, efDbase), "COMPANY003");
  EXPECT_EQ(ExportFieldName("ZIP-CODE", 11, efDbase), "ZIPCODE012");
  EXPECT_EQ(ExportFieldName("CONTACT-FIRST-NAME", 14, efDbase), "CONTACT015");
  EXPECT_EQ(ExportFieldName("A B", 0, efDbase), "AB001");
  EXPECT_EQ(ExportFieldName("TENLETTERS", 5, efDbase), "TENLETTERS");
  EXPECT_EQ(ExportFieldName("ELEVENCHARS", 5, efDbase), "ELEVENC006");
  // Position 1000 and above keep the last three digits.
  EXPECT_EQ(ExportFieldName("SIC DESCRIPTION", 1233, efDbase), "SICDESC234");
  EXPECT_EQ(ExportFieldName("CONTACT-FIRST-NAME", 14, efParadox), "CONTACT-FIRST-NAME");
  EXPECT_EQ(ExportFieldName("CONTACT-FIRST-NAME", 14, efCsv), "CONTACT-FIRST-NAME");
}

TEST(ExportFieldName, NamesCountPositionsOfUncheckedRowsAndCollisionsAreNamed) {
  std::vector<TExportRow> rows = {{"SKIPPED", false}, {"CONTACT LAST", true}, {"CITY", true}};
  EXPECT_EQ(ExportFieldNames(rows, efDbase), (std::vector<std::string>{"CONTACT002", "CITY"}));
  rows.push_back({"contact002", true});
  try {
    ExportFieldNames(rows, efDbase);
    FAIL() << "a collision was accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "The fields \"CONTACT LAST\" and \"contact002\" would both be named contact002 in "
                 "the output table. Leave one of them out.");
  }
  EXPECT_NO_THROW(ExportFieldNames(rows, efParadox));
}

// A result table of the listing's kinds with a name for each rule.
class TableExport : public ::testing::TestWithParam<TExportFormat> {
 protected:
  static std::vector<TFieldDef> Defs() {
    std::vector<TFieldDef> defs = {Def("Result", ftAutoInc),
                                   Def("COMPANY", ftString, 35),
                                   Def("SIC DESCRIPTION", ftString, 50),
                                   Def("YEAR", ftSmallint),
                                   Def("LATITUDE", ftFloat),
                                   Def("VERIFIED", ftDate),
                                   Def("HQ", ftBoolean),
                                   Def("NOTES", ftMemo, 10),
                                   Def("EMPLOYEES", ftInteger)};
    for (int i = static_cast<int>(defs.size()); i < 14; ++i)
      defs.push_back(Def("PAD" + std::to_string(i), ftString, 2));
    defs.push_back(Def("CONTACT-FIRST-NAME", ftString, 15));
    return defs;
  }

  TableExport() : FSource(FDir.File("swap.db"), Defs(), {}) {
    const char* companies[] = {"Zeta \"Z\" Corp", "Alpha, Inc.", ""};
    for (int i = 0; i < 3; ++i) {
      FSource->Append();
      FSource->FieldByName("COMPANY").SetAsString(companies[i]);
      if (i != 2) {
        FSource->FieldByName("SIC DESCRIPTION").SetAsString("Desc " + std::to_string(i));
        FSource->FieldByName("YEAR").SetAsInteger(1990 + i);
        FSource->FieldByName("LATITUDE").SetAsFloat(40.25 + i);
        FSource->FieldByName("VERIFIED")
            .SetValue(TValue::Date(DayNumberFromCivil(2023, 1, 10 + i)));
        FSource->FieldByName("HQ").SetAsBoolean(i == 0);
        FSource->FieldByName("NOTES").SetAsString(std::string(3000, 'n') + "\r\nend " +
                                                  std::to_string(i));
        FSource->FieldByName("EMPLOYEES").SetAsInteger(100000 * (i + 1));
        FSource->FieldByName("CONTACT-FIRST-NAME").SetAsString("Ann");
      }
      FSource->Post();
    }
    // The grid sorted by company: the export follows the cursor's order.
    FSource->SetIndexFieldNames("COMPANY");
  }

  std::unique_ptr<TTable> OpenOutput(const std::string& path) {
    auto t = std::make_unique<TTable>();
    t->SetTableName(path);
    t->SetTableType(GetParam() == efDbase ? ttDBase : ttParadox);
    t->Open();
    return t;
  }

  TTempDir FDir;
  TSourceTable FSource;
  TExportRecorder FRecorder;
};

TEST_P(TableExport, ValuesNamesAndOrderReadBack) {
  const std::string out = FDir.File(GetParam() == efDbase ? "out.dbf" : "out.db");
  TExportEngine engine(*FSource);
  FRecorder.Attach(engine);
  engine.SetAllRows();
  engine.SetFormat(GetParam());
  engine.SetOutputName(out);
  TExportResult r = engine.Execute();
  ASSERT_EQ(r.Outcome, TExportOutcome::Completed) << r.Message;
  EXPECT_EQ(r.Written, 3);
  EXPECT_TRUE(FRecorder.Messages.empty());

  auto t = OpenOutput(out);
  const bool dbase = GetParam() == efDbase;
  ASSERT_EQ(t->FieldCount(), FSource->FieldCount());
  EXPECT_EQ(t->Fields(2).FieldName(), dbase ? "SICDESC003" : "SIC DESCRIPTION");
  EXPECT_EQ(t->Fields(14).FieldName(), dbase ? "CONTACT015" : "CONTACT-FIRST-NAME");
  EXPECT_EQ(t->Fields(1).FieldName(), "COMPANY");

  FSource->First();
  for (t->First(); !t->Eof(); t->Next(), FSource->Next()) {
    ASSERT_FALSE(FSource->Eof());
    for (int i = 0; i < FSource->FieldCount(); ++i) {
      const TField& s = FSource->Fields(i);
      const TField& o = t->Fields(i);
      SCOPED_TRACE(s.FieldName() + " of record " + std::to_string(t->RecNo()));
      if (s.DataType() == ftBoolean && dbase && s.IsNull()) continue;  // L stores '?'
      EXPECT_EQ(o.IsNull(), s.IsNull());
      EXPECT_EQ(o.AsString(), s.AsString());
    }
  }
  EXPECT_TRUE(FSource->Eof());
  // Sorted by company: "", "Alpha", "Zeta", whose counters were 3, 2, 1.
  t->First();
  EXPECT_EQ(t->Fields(0).AsInteger(), 3);
}

TEST_P(TableExport, CollidingDbaseNamesAreRefusedWithAClearMessage) {
  if (GetParam() != efDbase) GTEST_SKIP() << "only the dBase rule renames fields";
  // A field whose own name is what the rule makes of CONTACT-FIRST-NAME at position 14.
  std::vector<TFieldDef> defs = Defs();
  defs[13].Name = "CONTACT015";
  TSourceTable clashing(FDir.File("swap2.db"), defs, {{TValue::Integer(1)}});
  const std::string out = FDir.File("out.dbf");
  WriteFile(out, "an older export");
  FRecorder.Answer = true;
  TExportEngine engine(*clashing);
  FRecorder.Attach(engine);
  engine.SetAllRows();
  engine.SetFormat(efDbase);
  engine.SetOutputName(out);
  TExportResult r = engine.Execute();
  // Refused before the question: the file the user might have agreed to replace stays.
  EXPECT_EQ(r.Outcome, TExportOutcome::Refused);
  EXPECT_TRUE(FRecorder.Questions.empty());
  ASSERT_EQ(FRecorder.Messages.size(), 1u);
  EXPECT_EQ(FRecorder.Messages[0],
            "The fields \"CONTACT015\" and \"CONTACT-FIRST-NAME\" would both be named CONTACT015 "
            "in the output table. Leave one of them out.");
  EXPECT_EQ(ReadFile(out), "an older export");
  EXPECT_TRUE(FRecorder.Running.empty());
}

// Runs in a child process: exports 403 records under a file size limit of 16 KB, then checks
// the counts and the message. Returns the child's exit status.
int ExportUnderSizeLimit(TTable& source, TExportFormat format, const std::string& out) {
  ::signal(SIGXFSZ, SIG_IGN);
  source.SetIndexFieldNames("");
  source.Last();
  for (int i = 0; i < 400; ++i) {
    source.Append();
    source.FieldByName("COMPANY").SetAsString("Company " + std::to_string(i));
    source.FieldByName("SIC DESCRIPTION").SetAsString(std::string(50, 'd'));
    source.Post();
  }
  TExportEngine engine(source);
  TExportRecorder recorder;
  recorder.Attach(engine);
  engine.SetRows({{"COMPANY", true}, {"SIC DESCRIPTION", true}});
  engine.SetFormat(format);
  engine.SetOutputName(out);
  rlimit limit{16 * 1024, RLIM_INFINITY};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  TExportResult r = engine.Execute();
  limit.rlim_cur = RLIM_INFINITY;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  TTable written;
  written.SetTableName(out);
  written.SetTableType(format == efDbase ? ttDBase : ttParadox);
  written.Open();
  const std::string expected =
      std::to_string(r.NotWritten) + " records were not written; the first failed with: ";
  const bool ok = r.Outcome == TExportOutcome::Completed && r.Written > 0 && r.NotWritten > 0 &&
                  r.Written + r.NotWritten == 403 && recorder.Messages.size() == 1 &&
                  recorder.Messages[0].rfind(expected, 0) == 0 &&
                  written.RecordCount() == r.Written;
  if (!ok)
    std::fprintf(stderr,
                 "outcome %d, written %d, not written %d, in the file %lld, %zu messages: %s\n",
                 static_cast<int>(r.Outcome), r.Written, r.NotWritten,
                 static_cast<long long>(written.RecordCount()), recorder.Messages.size(),
                 recorder.Messages.empty() ? "" : recorder.Messages[0].c_str());
  return ok ? 0 : 1;
}

// Regression: a record the output table refused used to be dropped without a word, and the
// user took an incomplete file for a whole one. Refused records are counted and reported.
// Here the file system refuses to let the table grow past 16 KB, so every later record fails.
TEST_P(TableExport, RefusedRecordsAreCountedAndReported) {
  const std::string out = FDir.File(GetParam() == efDbase ? "out.dbf" : "out.db");
  EXPECT_EXIT(std::exit(ExportUnderSizeLimit(*FSource, GetParam(), out)),
              ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Formats, TableExport, ::testing::Values(efDbase, efParadox),
                         [](const auto& info) {
                           return std::string(info.param == efDbase ? "Dbase" : "Paradox");
                         });

}  // namespace
}  // namespace lw::test
