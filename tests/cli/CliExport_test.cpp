// The export options of `ledgerwake-cli search`, run on a table as the command runs them.
#include "CliExport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ExportFixture.h"

namespace lw::test {
namespace {

using cli::TExportCliOptions;

TExportCliOptions To(const std::string& file, TExportFormat format = efCsv,
                     std::vector<std::string> fields = {}) {
  TExportCliOptions o;
  o.File = file;
  o.Format = format;
  o.Fields = std::move(fields);
  return o;
}

class ExportCliRun : public ::testing::Test {
 protected:
  ExportCliRun()
      : FSource(FDir.File("swap.db"),
                {Def("Result", ftAutoInc), Def("COMPANY", ftString, 20), Def("CITY", ftString, 20)},
                {{TValue::Null(), TValue::String("Acme"), TValue::String("Troy")}}) {}
  TTempDir FDir;
  TSourceTable FSource;
};

TEST_F(ExportCliRun, NamedFieldsAreWrittenInTheTablesOrder) {
  EXPECT_EQ(cli::RunExport(*FSource, To(FDir.File("out.csv"), efCsv, {"city", "COMPANY"})), 0);
  EXPECT_EQ(ReadFile(FDir.File("out.csv")), "\"COMPANY\",\"CITY\"\r\n\"Acme\",\"Troy\"\r\n");
}

// Checked before the search: the target and the field names.
TEST_F(ExportCliRun, TargetAndFieldsAreCheckedBeforehand) {
  WriteFile(FDir.File("out.db"), "old");
  TExportCliOptions o = To(FDir.File("out.db"), efParadox);
  EXPECT_THROW(cli::CheckExportTarget(o), std::runtime_error);
  EXPECT_EQ(ReadFile(FDir.File("out.db")), "old");
  o.Overwrite = true;
  EXPECT_NO_THROW(cli::CheckExportTarget(o));
  EXPECT_EQ(cli::RunExport(*FSource, o), 0);
  TTable t;
  t.SetTableName(FDir.File("out.db"));
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(t.FieldCount(), 3);

  EXPECT_THROW(cli::CheckExportTarget(To(FDir.Path())), std::runtime_error);  // a directory
  TExportCliOptions deeper = To(FDir.File("new/sub/out.csv"));
  EXPECT_THROW(cli::CheckExportTarget(deeper), std::runtime_error);
  deeper.Mkdir = true;
  EXPECT_NO_THROW(cli::CheckExportTarget(deeper));
  WriteFile(FDir.File("plain"), "a file");
  EXPECT_THROW(cli::CheckExportTarget(To(FDir.File("plain/out.csv"))), std::runtime_error);
  const cli::TCommandSpec search{"search", "", {}};
  EXPECT_THROW(cli::CheckExportFields(*FSource, To("x", efCsv, {"CITY", "GONE"}), search),
               cli::EUsage);
  EXPECT_NO_THROW(cli::CheckExportFields(*FSource, To("x", efCsv, {"city"}), search));
}

}  // namespace
}  // namespace lw::test
