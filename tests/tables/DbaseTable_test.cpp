// dBase tables behind the table objects, used the way the export uses them: a private session,
// a table of type ttDBase created from field definitions, Insert/Post per record, and a second
// session that sees the records after Refresh.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DatabaseError.h"
#include "Field.h"
#include "Session.h"
#include "Table.h"
#include "TempDir.h"

namespace lw {
namespace {

std::unique_ptr<TTable> MakeTable(TSession& session, const std::string& path) {
  auto t = std::make_unique<TTable>();
  t->SetSessionName(session.SessionName());
  t->SetTableType(ttDBase);
  t->SetTableName(path);
  return t;
}

TEST(DbaseTable, ExportStyleWriteAndReadBack) {
  test::TTempDir dir;
  const std::string path = dir.File("EXPORT.DBF");
  TSession writer;
  writer.SetAutoSessionName(true);
  writer.Open();
  auto out = MakeTable(writer, path);
  out->FieldDefs().Add("COMPANY003", ftString, 30);
  out->FieldDefs().Add("FOUNDED", ftSmallint);
  out->FieldDefs().Add("LATITUDE", ftFloat);
  out->FieldDefs().Add("HQ", ftBoolean);
  out->FieldDefs().Add("VERIFIED", ftDate);
  out->FieldDefs().Add("NOTES", ftMemo);
  out->CreateTable();
  out->Open();

  TSession reader;
  reader.SetAutoSessionName(true);
  reader.Open();
  auto in = MakeTable(reader, path);
  in->Open();
  EXPECT_EQ(in->RecordCount(), 0);

  const char* names[] = {"Acme Tools", "Zed & Co", "Blue Sky Farms"};
  for (int i = 0; i < 3; ++i) {
    out->Insert();
    out->FieldByName("company003").SetAsString(names[i]);
    out->FieldByName("FOUNDED").SetAsInteger(1980 + i);
    if (i != 1) out->FieldByName("LATITUDE").SetAsFloat(40.5 + i);
    out->FieldByName("HQ").SetAsBoolean(i == 0);
    out->FieldByName("VERIFIED").SetAsString("2024-03-0" + std::to_string(i + 1));
    out->FieldByName("NOTES").SetAsString(std::string("notes of ") + names[i]);
    out->Post();
  }
  EXPECT_EQ(out->RecordCount(), 3);

  in->Refresh();
  ASSERT_EQ(in->RecordCount(), 3);
  int i = 0;
  for (in->First(); !in->Eof(); in->Next(), ++i) {
    // dBase stores inserted records at the end: the export's order is kept.
    EXPECT_EQ(in->FieldByName("COMPANY003").AsString(), names[i]);
    EXPECT_EQ(in->FieldByName("Founded").AsString(), std::to_string(1980 + i));
    if (i == 1)
      EXPECT_TRUE(in->FieldByName("LATITUDE").IsNull());
    else
      EXPECT_EQ(in->FieldByName("LATITUDE").AsString(), i == 0 ? "40.5" : "42.5");
    EXPECT_EQ(in->FieldByName("HQ").AsString(), i == 0 ? "True" : "False");
    EXPECT_EQ(in->FieldByName("VERIFIED").AsString(), "2024-03-0" + std::to_string(i + 1));
    EXPECT_EQ(in->FieldByName("NOTES").AsString(), std::string("notes of ") + names[i]);
  }
  EXPECT_EQ(i, 3);

  // Names the format cannot hold are refused when the table is created.
  auto bad = MakeTable(writer, dir.File("bad.dbf"));
  bad->FieldDefs().Add("CONTACT-FIRST-NAME", ftString, 20);
  EXPECT_THROW(bad->CreateTable(), EDatabaseError);
}

}  // namespace
}  // namespace lw
