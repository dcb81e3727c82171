// Our dBase tables through shapelib's DBF API and dbfdump, and shapelib's tables through ours.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "DatabaseError.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"

namespace lw {
namespace {

using test::Def;

using test::TTempDir;

struct TDbfCloser {
  void operator()(DBFInfo* h) const { DBFClose(h); }
};
using TDbf = std::unique_ptr<DBFInfo, TDbfCloser>;

// What the table object does before it posts: convert each value to the field's kind.
void Post(TTableCodec& t, const std::vector<TValue>& values) {
  std::vector<TValue> converted;
  for (size_t i = 0; i < values.size(); ++i)
    converted.push_back(ConvertValue(values[i], t.Fields()[i].DataType, t.Fields()[i].Name));
  t.Append(converted);
}

std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  status = pclose(p);
  return out;
}

class DbaseShapelib : public ::testing::Test {
 protected:
  // A table of the kinds an export writes, with a full record, an empty one and another.
  void WriteOurs(const std::string& path) {
    CreateDbaseTable(path, {Def("NAME", ftString, 20), Def("YEAR", ftSmallint),
                            Def("EMPLOYEES", ftInteger), Def("LATITUDE", ftFloat),
                            Def("SALES", ftCurrency), Def("HQ", ftBoolean), Def("VERIFIED", ftDate),
                            Def("OPENS", ftTime), Def("STAMP", ftDateTime), Def("NOTES", ftMemo)});
    auto t = OpenDbaseTable(path, {});
    Post(*t, {TValue::String("Acme Tools"), TValue::Integer(1987), TValue::Integer(-250000),
              TValue::Float(40.712776), TValue::Float(1234567.89), TValue::Boolean(true),
              TValue::Date(DayNumberFromCivil(2024, 2, 29)), TValue::Time(8 * 3'600'000),
              TValue::DateTime(int64_t(DayNumberFromCivil(2023, 12, 31)) * 86'400'000 + 61'000),
              TValue::String("first notes")});
    Post(*t, std::vector<TValue>(10));
    Post(*t, {TValue::String("Zed & Co"), TValue::Integer(-32767), TValue::Integer(2147483647),
              TValue::Float(-0.5), TValue::Float(0), TValue::Boolean(false),
              TValue::Date(DayNumberFromCivil(1900, 1, 1)), TValue(), TValue(),
              TValue::String(std::string(600, 'n'))});
  }

  TTempDir FDir;
};

TEST_F(DbaseShapelib, ShapelibReadsOurTables) {
  const std::string path = FDir.File("ours.dbf");
  WriteOurs(path);
  TDbf h(DBFOpen(path.c_str(), "rb"));
  ASSERT_TRUE(h) << "shapelib refused " << path;
  ASSERT_EQ(DBFGetFieldCount(h.get()), 10);
  ASSERT_EQ(DBFGetRecordCount(h.get()), 3);
  EXPECT_STREQ(DBFGetCodePage(h.get()), "LDID/3");

  struct TExpect {
    const char* Name;
    char Type;
    int Width, Decimals;
  };
  const TExpect fields[] = {{"NAME", 'C', 20, 0},      {"YEAR", 'N', 6, 0},
                            {"EMPLOYEES", 'N', 11, 0}, {"LATITUDE", 'N', 19, 6},
                            {"SALES", 'N', 19, 4},     {"HQ", 'L', 1, 0},
                            {"VERIFIED", 'D', 8, 0},   {"OPENS", 'C', 8, 0},
                            {"STAMP", 'C', 19, 0},     {"NOTES", 'M', 10, 0}};
  for (int i = 0; i < 10; ++i) {
    char name[XBASE_FLDNAME_LEN_READ + 1] = {};
    int width = 0, decimals = 0;
    DBFGetFieldInfo(h.get(), i, name, &width, &decimals);
    EXPECT_STREQ(name, fields[i].Name);
    EXPECT_EQ(DBFGetNativeFieldType(h.get(), i), fields[i].Type) << name;
    EXPECT_EQ(width, fields[i].Width) << name;
    EXPECT_EQ(decimals, fields[i].Decimals) << name;
  }

  DBFInfo* d = h.get();
  EXPECT_STREQ(DBFReadStringAttribute(d, 0, 0), "Acme Tools");
  EXPECT_EQ(DBFReadIntegerAttribute(d, 0, 1), 1987);
  EXPECT_EQ(DBFReadIntegerAttribute(d, 0, 2), -250000);
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(d, 0, 3), 40.712776);
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(d, 0, 4), 1234567.89);
  EXPECT_STREQ(DBFReadLogicalAttribute(d, 0, 5), "T");
  EXPECT_STREQ(DBFReadStringAttribute(d, 0, 6), "20240229");
  EXPECT_STREQ(DBFReadStringAttribute(d, 0, 7), "08:00:00");
  EXPECT_STREQ(DBFReadStringAttribute(d, 0, 8), "2023-12-31 00:01:01");

  // An empty record is null to shapelib in every field kind but the date: shapelib 1.5 knows
  // only "00000000" as an empty date, we store the 8 blanks of dBase (which it reads as "").
  for (int i = 0; i < 10; ++i) {
    if (fields[i].Type == 'D')
      EXPECT_STREQ(DBFReadStringAttribute(d, 1, i), "");
    else
      EXPECT_TRUE(DBFIsAttributeNULL(d, 1, i)) << fields[i].Name;
  }

  EXPECT_STREQ(DBFReadStringAttribute(d, 2, 0), "Zed & Co");
  EXPECT_EQ(DBFReadIntegerAttribute(d, 2, 1), -32767);
  EXPECT_EQ(DBFReadIntegerAttribute(d, 2, 2), 2147483647);
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(d, 2, 3), -0.5);
  EXPECT_FALSE(DBFIsAttributeNULL(d, 2, 4));
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(d, 2, 4), 0);
  EXPECT_STREQ(DBFReadLogicalAttribute(d, 2, 5), "F");
  EXPECT_STREQ(DBFReadStringAttribute(d, 2, 6), "19000101");
  // shapelib does not read memos; their pointers are distinct block numbers.
  EXPECT_NE(std::string(DBFReadStringAttribute(d, 0, 9)),
            std::string(DBFReadStringAttribute(d, 2, 9)));
}

TEST_F(DbaseShapelib, DbfdumpShowsOurTables) {
  if (std::string(LW_DBFDUMP).empty()) GTEST_SKIP() << "dbfdump (package shapelib) not installed";
  const std::string path = FDir.File("ours.dbf");
  WriteOurs(path);
  int status = 0;
  const std::string out = RunCommand(std::string(LW_DBFDUMP) + " -h -m '" + path + "'", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Title=`LATITUDE', Width=19, Decimals=6"), std::string::npos) << out;
  // dbfdump pads values to the field width (and shows nothing for L and D fields).
  EXPECT_NE(out.find("NAME: Acme Tools  "), std::string::npos) << out;
  EXPECT_NE(out.find("EMPLOYEES:     -250000"), std::string::npos) << out;
  EXPECT_NE(out.find("LATITUDE:           40.712776"), std::string::npos) << out;
  EXPECT_NE(out.find("STAMP: 2023-12-31 00:01:01"), std::string::npos) << out;
  EXPECT_NE(out.find("YEAR: (NULL)"), std::string::npos) << out;

  // A table with a binary memo is a dBase IV one; dbfdump opens it as well.
  const std::string blob = FDir.File("blob.dbf");
  CreateDbaseTable(blob, {Def("ID", ftSmallint), Def("PICTURE", ftGraphic)});
  auto t = OpenDbaseTable(blob, {});
  Post(*t, {TValue::Integer(5), TValue::Bytes(std::string("\x1A\x00\x01", 3))});
  t.reset();
  const std::string out2 = RunCommand(std::string(LW_DBFDUMP) + " -h -m '" + blob + "'", status);
  EXPECT_EQ(status, 0) << out2;
  EXPECT_NE(out2.find("ID:      5"), std::string::npos) << out2;
}

TEST_F(DbaseShapelib, WeReadShapelibTables) {
  const std::string path = FDir.File("theirs.dbf");
  {
    TDbf h(DBFCreate(path.c_str()));
    ASSERT_TRUE(h);
    DBFInfo* d = h.get();
    ASSERT_EQ(DBFAddField(d, "TITLE", FTString, 30, 0), 0);
    ASSERT_EQ(DBFAddField(d, "COUNT", FTInteger, 9, 0), 1);
    ASSERT_EQ(DBFAddField(d, "AMOUNT", FTDouble, 15, 4), 2);
    ASSERT_EQ(DBFAddField(d, "ACTIVE", FTLogical, 1, 0), 3);
    ASSERT_EQ(DBFAddNativeFieldType(d, "SINCE", 'D', 8, 0), 4);
    DBFWriteStringAttribute(d, 0, 0, "first row");
    DBFWriteIntegerAttribute(d, 0, 1, -12345678);
    DBFWriteDoubleAttribute(d, 0, 2, 3.1416);
    DBFWriteLogicalAttribute(d, 0, 3, 'T');
    // shapelib 1.5 formats D fields as numbers; store the date text as it is.
    DBFWriteAttributeDirectly(d, 0, 4, const_cast<char*>("19991231"));
    for (int i = 0; i < 5; ++i) DBFWriteNULLAttribute(d, 1, i);  // shapelib's null forms
    DBFWriteStringAttribute(d, 2, 0, "deleted row");
    DBFMarkRecordDeleted(d, 2, 1);
    DBFWriteStringAttribute(d, 3, 0, "last row");
    DBFWriteIntegerAttribute(d, 3, 1, 7);
    DBFWriteDoubleAttribute(d, 3, 2, -2.5);
    DBFWriteLogicalAttribute(d, 3, 3, 'F');
    DBFWriteAttributeDirectly(d, 3, 4, const_cast<char*>("20000229"));
  }
  TOpenOptions opt;
  opt.ReadOnly = true;
  auto t = OpenDbaseTable(path, opt);
  ASSERT_EQ(t->Fields().size(), 5u);
  EXPECT_EQ(t->Fields()[0].DataType, ftString);
  EXPECT_EQ(t->Fields()[0].Size, 30);
  EXPECT_EQ(t->Fields()[1].DataType, ftInteger);
  EXPECT_EQ(t->Fields()[2].DataType, ftFloat);
  EXPECT_EQ(t->Fields()[2].Precision, 4);
  ASSERT_EQ(t->RecordCount(), 3);  // the deleted row is not shown

  const uint8_t* r = t->Record(0);
  EXPECT_EQ(t->Text(r, 0), "first row");
  EXPECT_EQ(t->Value(r, 1).ToInteger(), -12345678);
  EXPECT_DOUBLE_EQ(t->Value(r, 2).ToFloat(), 3.1416);
  EXPECT_TRUE(t->Value(r, 3).ToBoolean());
  EXPECT_EQ(t->Value(r, 4).ToString(), "1999-12-31");
  r = t->Record(1);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(t->IsNull(r, i)) << i;
    EXPECT_TRUE(t->Value(r, i).IsNull()) << i;
  }
  r = t->Record(2);
  EXPECT_EQ(t->Text(r, 0), "last row");
  EXPECT_EQ(t->Value(r, 1).ToInteger(), 7);
  EXPECT_DOUBLE_EQ(t->Value(r, 2).ToFloat(), -2.5);
  EXPECT_FALSE(t->Value(r, 3).ToBoolean());
  EXPECT_EQ(t->Value(r, 4).ToString(), "2000-02-29");

  // And our appends to shapelib's table read back in shapelib.
  t.reset();
  auto w = OpenDbaseTable(path, {});
  Post(*w, {TValue::String("ours"), TValue::Integer(42), TValue::Float(0.25), TValue::Boolean(true),
            TValue::Date(DayNumberFromCivil(2024, 1, 2))});
  w.reset();
  TDbf h(DBFOpen(path.c_str(), "rb"));
  ASSERT_TRUE(h);
  ASSERT_EQ(DBFGetRecordCount(h.get()), 5);
  EXPECT_STREQ(DBFReadStringAttribute(h.get(), 4, 0), "ours");
  EXPECT_EQ(DBFReadIntegerAttribute(h.get(), 4, 1), 42);
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(h.get(), 4, 2), 0.25);
  EXPECT_STREQ(DBFReadStringAttribute(h.get(), 4, 4), "20240102");
}

}  // namespace
}  // namespace lw
