// The CSV writer: the exact bytes of header and data lines, the value forms by field kind and
// the quoting that lets every CSV reader get the stored values back.
#include <gtest/gtest.h>

#include <string>

#include "ExportFixture.h"

namespace lw::test {
namespace {

class CsvExport : public ::testing::Test {
 protected:
  TTempDir FDir;

  TExportResult Export(TTable& table, const std::vector<std::string>& fields,
                       const std::string& out) {
    TExportEngine engine(table);
    FRecorder.Attach(engine);
    engine.SetRows(Rows(table, fields));
    engine.SetFormat(efCsv);
    engine.SetOutputName(out);
    return engine.Execute();
  }
  TExportRecorder FRecorder;
};

TEST_F(CsvExport, TextAndNullIntegerGiveQuotedHeaderAndOneTrailingComma) {
  TSourceTable src(FDir.File("src.db"), {Def("A", ftString, 10), Def("B", ftInteger)},
                   {{TValue::String("x"), TValue::Null()}});
  const std::string out = FDir.File("out.csv");
  TExportResult r = Export(*src, {"A", "B"}, out);
  EXPECT_EQ(r.Outcome, TExportOutcome::Completed);
  EXPECT_EQ(r.Written, 1);
  EXPECT_EQ(ReadFile(out), "\"A\",\"B\"\r\n\"x\",\r\n");
  EXPECT_TRUE(FRecorder.Messages.empty());
}

TEST_F(CsvExport, ValuesFollowTheFieldKind) {
  const int32_t day = DayNumberFromCivil(2024, 3, 5);
  TSourceTable src(
      FDir.File("src.db"),
      {Def("NAME", ftString, 20), Def("HQ", ftBoolean), Def("YEAR", ftSmallint),
       Def("LAT", ftFloat), Def("SEEN", ftDate), Def("AT", ftTime), Def("NOTES", ftMemo, 10),
       Def("PIC", ftGraphic, 0), Def("OLE", ftParadoxOle, 0), Def("NO", ftAutoInc)},
      {{TValue::String("Acme"), TValue::Boolean(true), TValue::Integer(1999), TValue::Float(40.5),
        TValue::Date(day), TValue::Time(3723000), TValue::String("two\r\nlines"),
        TValue::Bytes(std::string("\x01\"\x00z", 4)), TValue::Bytes("ole"), TValue::Null()},
       {TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(),
        TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null()}});
  const std::string out = FDir.File("out.csv");
  Export(*src, {"NAME", "HQ", "YEAR", "LAT", "SEEN", "AT", "NOTES", "PIC", "OLE", "NO"}, out);
  EXPECT_EQ(ReadFile(out),
            "\"NAME\",\"HQ\",\"YEAR\",\"LAT\",\"SEEN\",\"AT\",\"NOTES\",\"PIC\",\"OLE\",\"NO\"\r\n"
            "\"Acme\",True,1999,40.5,2024-03-05,01:02:03,\"two\r\nlines\"," +
                std::string("\"\x01\"\"\x00z\"", 7) +
                ",\"(NOT SUPPORTED)\",1\r\n"
                "\"\",False,,,,,\"\",\"\",\"(NOT SUPPORTED)\",2\r\n");
}

// Regression: a quote inside a value used to be written as it is, which ends the value early
// for every CSV reader and shifts the rest of the line into the next columns. It is doubled.
TEST_F(CsvExport, QuotesInsideValuesAreDoubled) {
  TSourceTable src(FDir.File("src.db"), {Def("SAY", ftString, 40)},
                   {{TValue::String("He said \"hi\", then left")}, {TValue::String("\"")}});
  const std::string out = FDir.File("out.csv");
  Export(*src, {"SAY"}, out);
  EXPECT_EQ(ReadFile(out), "\"SAY\"\r\n\"He said \"\"hi\"\", then left\"\r\n\"\"\"\"\r\n");
}

TEST_F(CsvExport, OnlyCheckedFieldsInListOrder) {
  TSourceTable src(FDir.File("src.db"),
                   {Def("A", ftString, 5), Def("B", ftString, 5), Def("C", ftString, 5)},
                   {{TValue::String("a"), TValue::String("b"), TValue::String("c")}});
  const std::string out = FDir.File("out.csv");
  Export(*src, {"C", "A"}, out);
  EXPECT_EQ(ReadFile(out), "\"C\",\"A\"\r\n\"c\",\"a\"\r\n");
}

TEST_F(CsvExport, FieldsAreLookedUpWithoutRegardToCase) {
  TSourceTable src(FDir.File("src.db"), {Def("Name", ftString, 5)}, {{TValue::String("n")}});
  const std::string out = FDir.File("out.csv");
  TExportEngine engine(*src);
  engine.SetRows({{"NAME", true}});
  engine.SetOutputName(out);
  EXPECT_EQ(engine.Execute().Outcome, TExportOutcome::Completed);
  EXPECT_EQ(ReadFile(out), "\"Name\"\r\n\"n\"\r\n");
}

// Regression: a file that could not be created used to end the export without a word, so the
// user looked for a file that was never written. The message names the file and the reason.
TEST_F(CsvExport, AFileThatCannotBeCreatedIsReportedWithTheReason) {
  TSourceTable src(FDir.File("src.db"), {Def("A", ftString, 5)}, {{TValue::String("a")}});
  const std::string out = FDir.File(std::string(300, 'n') + ".csv");
  TExportResult r = Export(*src, {"A"}, out);
  EXPECT_EQ(r.Outcome, TExportOutcome::Failed);
  ASSERT_EQ(FRecorder.Messages.size(), 1u);
  EXPECT_EQ(FRecorder.Messages[0].rfind("Cannot create " + out + ": ", 0), 0u);
  EXPECT_NE(FRecorder.Messages[0].find("too long"), std::string::npos) << FRecorder.Messages[0];
  EXPECT_EQ(FRecorder.Running, (std::vector<bool>{true, false}));
}

TEST_F(CsvExport, AnUnknownFieldIsReportedAndNothingIsCreated) {
  TSourceTable src(FDir.File("src.db"), {Def("A", ftString, 5)}, {{TValue::String("a")}});
  const std::string out = FDir.File("out.csv");
  TExportEngine engine(*src);
  FRecorder.Attach(engine);
  engine.SetRows({{"GONE", true}});
  engine.SetOutputName(out);
  EXPECT_EQ(engine.Execute().Outcome, TExportOutcome::Refused);
  ASSERT_EQ(FRecorder.Messages.size(), 1u);
  EXPECT_NE(FRecorder.Messages[0].find("GONE"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(FRecorder.Running.empty());
}

}  // namespace
}  // namespace lw::test
