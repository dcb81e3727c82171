// The export options of `ledgerwake-cli search`, run on a table as the command runs them.
#include <gtest/gtest.h>

#include <stdexcept>

#include "CliExport.h"
#include "ExportFixture.h"

namespace lw::test {
namespace {

using cli::TExportCliOptions;

TExportCliOptions Parse(const std::vector<std::string>& args) {
  TExportCliOptions out;
  for (size_t i = 0; i < args.size(); ++i)
    if (!cli::ParseExportOption(args, i, out)) throw std::runtime_error("not ours: " + args[i]);
  return out;
}

TEST(ExportCli, OptionsParse) {
  TExportCliOptions o = Parse(
      {"--export", "out.dbf", "--format", "dbase", "--fields", " COMPANY , SIC 2,", "--overwrite"});
  EXPECT_EQ(o.File, "out.dbf");
  EXPECT_EQ(o.Format, "dbase");
  EXPECT_EQ(o.Fields, (std::vector<std::string>{"COMPANY", "SIC 2"}));
  EXPECT_TRUE(o.Overwrite);
  EXPECT_EQ(Parse({}).Format, "csv");
  EXPECT_FALSE(Parse({}).Active());
  EXPECT_THROW(Parse({"--export"}), std::runtime_error);
  EXPECT_THROW(Parse({"--fields", ","}), std::runtime_error);
  std::vector<std::string> other = {"--state", "NY"};
  size_t i = 0;
  TExportCliOptions o2;
  EXPECT_FALSE(cli::ParseExportOption(other, i, o2));
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
  TExportCliOptions o = Parse({"--export", FDir.File("out.csv"), "--fields", "city,COMPANY"});
  EXPECT_EQ(cli::RunExport(*FSource, o), 0);
  EXPECT_EQ(ReadFile(FDir.File("out.csv")), "\"COMPANY\",\"CITY\"\r\n\"Acme\",\"Troy\"\r\n");
}

TEST_F(ExportCliRun, AnExistingFileNeedsOverwrite) {
  WriteFile(FDir.File("out.db"), "old");
  TExportCliOptions o = Parse({"--export", FDir.File("out.db"), "--format", "Paradox"});
  EXPECT_EQ(cli::RunExport(*FSource, o), 1);
  EXPECT_EQ(ReadFile(FDir.File("out.db")), "old");
  o.Overwrite = true;
  EXPECT_EQ(cli::RunExport(*FSource, o), 0);
  TTable t;
  t.SetTableName(FDir.File("out.db"));
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(t.FieldCount(), 3);
}

TEST_F(ExportCliRun, BadFormatsAndFieldsAreErrors) {
  EXPECT_THROW(cli::RunExport(*FSource, Parse({"--export", FDir.File("x"), "--format", "xls"})),
               std::runtime_error);
  EXPECT_THROW(cli::RunExport(*FSource, Parse({"--export", FDir.File("x"), "--fields", "GONE"})),
               std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(FDir.File("x")));
}

}  // namespace
}  // namespace lw::test
