// Start-up of the shared data: the distribution-medium search, the file checks with their
// texts, and the recreation of the result table.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Database.h"
#include "DatabaseError.h"
#include "Session.h"
#include "SharedData.h"
#include "SharedTestHome.h"
#include "Table.h"

namespace lw {
namespace {

TEST(StartUp, WithoutMediumAndTablesBothMissesAreReported) {
  test::THome home;
  auto sd = home.Start();
  EXPECT_EQ(home.Notifier->Infos,
            std::vector<std::string>{"Ledgerwake|Ledgerwake will run with sample data."});
  EXPECT_EQ(sd->AppExeDir(), home.Dir());
  EXPECT_EQ(sd->AppSrcDir(), "");
  EXPECT_EQ(sd->SourceDir(), home.Path("sample/"));
  EXPECT_EQ(sd->SourceTableName(), "sample.db");
  EXPECT_EQ(sd->ErrorText(), "\r\nFile not found. '" + home.Path("sample/sample.db") + "'" +
                                 "\r\nFile not found. '" + home.Path("data/swap.db") + "'");
  EXPECT_FALSE(sd->GetSuccess());
  EXPECT_EQ(sd->Session(), nullptr);
  EXPECT_EQ(sd->ResultTable(), nullptr);
  // Without its source table the directory is not taken for an installation: nothing made.
  EXPECT_FALSE(std::filesystem::exists(home.Path("data")));
  EXPECT_FALSE(std::filesystem::exists(home.Path("temp")));
  EXPECT_EQ(sd->LocalDir(), home.Path("data/"));
  EXPECT_EQ(sd->ResultTableName(), "swap.db");
}

TEST(StartUp, DataDirWithoutTrailingSlashFailsTheResultCheck) {
  test::THome home;
  home.Write("sample/sample.db", "x");
  home.Write("data/swap.db", "x");
  home.Write("lwconfig.ini", "[Application]\r\ndatadir=" + home.Path("data") + "\r\n");
  auto sd = home.Start();
  EXPECT_EQ(sd->ErrorText(), "\r\nFile not found. '" + home.Path("dataswap.db") + "'");
}

TEST(StartUp, EmptyDataDirIsAnInitializeError) {
  test::THome home;
  home.Write("sample/sample.db", "x");
  home.Write("lwconfig.ini", "[Application]\r\ndatadir=\r\n");
  auto sd = home.Start();
  EXPECT_EQ(sd->ErrorText(), "Initialize: Unable to create directory");
  EXPECT_NE(sd->ConfigIni(), nullptr);
}

TEST(StartUp, AnUnreadableResultTableIsAnInitLocalTablesError) {
  test::THome home;
  home.Write("sample/sample.db", "x");
  home.Write("data/swap.db", "not a table");
  auto sd = home.Start();
  const std::string& e = sd->ErrorText();
  EXPECT_EQ(e.rfind("InitLocalTables: ", 0), 0u) << e;
  EXPECT_GT(e.size(), std::string("InitLocalTables: \r\n").size());
  EXPECT_EQ(e.substr(e.size() - 2), "\r\n");
  EXPECT_NE(sd->Session(), nullptr);  // created before the tables failed to open
}

TEST(StartUp, MediumSuppliesSetupAndSourceTable) {
  test::THome home;
  const std::string cd = home.AddVolume("cdrom", "iso9660", "talvern");  // compared in capitals
  home.Write("mnt/cdrom/setup.ini", "[DATABASE]\r\npath=db\\\r\n");      // written on Windows
  home.Write("mnt/cdrom/db/businfo.db", "x");
  home.Write("data/swap.db", "x");
  auto sd = home.Start();
  EXPECT_TRUE(home.Notifier->Infos.empty());
  EXPECT_EQ(sd->AppSrcDir(), cd + "/");
  EXPECT_EQ(sd->Params().Value("db_path"), "db\\");
  EXPECT_EQ(sd->SourceDir(), cd + "/db/");
  EXPECT_EQ(sd->SourceTableName(), "businfo.db");
  EXPECT_EQ(sd->ErrorText().find("File not found"), std::string::npos) << sd->ErrorText();
}

TEST(FindSourceDir, MarkersAndCandidateOrder) {
  test::THome home;
  const std::string longer = home.AddVolume("a-longer", "iso9660", "TALVERNX");  // not equal
  const std::string noSetup = home.AddVolume("b-nosetup", "iso9660", "TALVERN");
  const std::string net = home.AddVolume("c-net", "cifs", "", "//srv/quorahfenmotwyst");
  const std::string contains = home.AddVolume("d-contains", "vfat", "xQUORAHTALVERNWYSTx");
  const std::string plain = home.AddVolume("e-plain", "ext4", "DATA");
  for (const std::string& m : {longer, net, contains, plain})
    home.Write(m.substr(home.Dir().size()) + "/setup.ini", "");
  auto sd = home.Start();
  // The marked volume without setup.ini is skipped; the network source carries a marker.
  EXPECT_EQ(sd->FindSourceDir("setup.ini"), net + "/");
  home.Volumes->List().erase(home.Volumes->List().begin() + 2);
  EXPECT_EQ(sd->FindSourceDir("setup.ini"), contains + "/");
  EXPECT_EQ(sd->FindSourceDir("other.file"), "");
  // A network mount without a remote name is judged by its label.
  home.Volumes->List() = {{net, "nfs", "TALVERN", "", false}};
  EXPECT_EQ(sd->FindSourceDir("setup.ini"), net + "/");
}

class ResultTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FHome.Write("sample/sample.db", "x");
    std::filesystem::create_directories(FHome.Path("data"));
    TTable swap;
    swap.SetDatabaseName(FHome.Path("data"));
    swap.SetTableName("swap.db");
    swap.FieldDefs().Add("Result", ftAutoInc);
    swap.FieldDefs().Add("COMPANY", ftString, 40);
    swap.FieldDefs().Add("TEL", ftString, 14);
    swap.CreateTable();
    swap.Open();
    for (const char* name : {"Alder Mills", "Birch Freight", "Cedar Foods"}) {
      swap.Append();
      swap.FieldByName("COMPANY").SetAsString(name);
      swap.Post();
    }
    swap.Close();
  }
  test::THome FHome;
};

TEST_F(ResultTableTest, StartUpOpensTheResultTable) {
  auto sd = FHome.Start();
  ASSERT_TRUE(sd->GetSuccess()) << sd->ErrorText();
  ASSERT_NE(sd->ResultTable(), nullptr);
  EXPECT_TRUE(sd->ResultTable()->Active());
  EXPECT_EQ(sd->ResultTable()->RecordCount(), 3);
  EXPECT_EQ(sd->ResultTable()->FieldDefs().Count(), 3);
  EXPECT_EQ(sd->Database()->DatabaseName(), FHome.Path("data"));
}

TEST_F(ResultTableTest, RestructureEmptiesProtectsAndReopens) {
  auto sd = FHome.Start();
  ASSERT_TRUE(sd->GetSuccess()) << sd->ErrorText();
  TTable* t = sd->ResultTable();
  sd->SetErrorText("earlier text");
  sd->RestructureTable(t, "");
  EXPECT_EQ(sd->ErrorText(), "");
  EXPECT_TRUE(t->Active());
  EXPECT_FALSE(t->Exclusive());
  EXPECT_EQ(t->RecordCount(), 0);
  EXPECT_EQ(t->FieldDefs().Count(), 3);

  // Protected: another session opens it only with the password.
  TSession other;
  other.SetAutoSessionName(true);
  other.Open();
  TTable probe;
  probe.SetSessionName(other.SessionName());
  probe.SetDatabaseName(FHome.Path("data"));
  probe.SetTableName("swap.db");
  EXPECT_THROW(probe.Open(), EDatabaseError);
  other.AddPassword(sd->DataPassword());
  probe.Open();
  EXPECT_EQ(probe.RecordCount(), 0);
  probe.Close();

  // A closed table stays closed and keeps its exclusive flag.
  t->Close();
  t->SetExclusive(true);
  sd->RestructureTable(t, "");
  EXPECT_EQ(sd->ErrorText(), "");
  EXPECT_FALSE(t->Active());
  EXPECT_TRUE(t->Exclusive());
}

TEST_F(ResultTableTest, RefusedProtectionIsReported) {
  auto sd = FHome.Start();
  ASSERT_TRUE(sd->GetSuccess()) << sd->ErrorText();
  // Only Paradox tables take a password: the engine refuses to protect a dBase table, and
  // that refusal must not pass for success.
  TTable dbf;
  dbf.SetDatabaseName(FHome.Path("data"));
  dbf.SetTableName("plain.dbf");
  dbf.FieldDefs().Add("NAME", ftString, 10);
  dbf.CreateTable();
  sd->RestructureTable(&dbf, "");
  EXPECT_EQ(sd->ErrorText().rfind("Restructure Table: ", 0), 0u) << sd->ErrorText();
  EXPECT_FALSE(dbf.Active());  // closed before, closed after
  EXPECT_FALSE(dbf.Exclusive());
  sd->RestructureTable(nullptr, "");
  EXPECT_EQ(sd->ErrorText(), "Restructure Table: No table given.");
}

}  // namespace
}  // namespace lw
