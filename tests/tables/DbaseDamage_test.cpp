// Damaged and hostile .dbf/.dbt/.fpt files: each gives a clear error naming the file, never a
// crash or a read past the data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "DatabaseError.h"
#include "TableCodec.h"
#include "TableTestUtil.h"
#include "TempDir.h"

namespace lw {
namespace {

using test::ReadFile;

using test::TTempDir;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void Put16(std::string& b, size_t at, int v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class DbaseDamage : public ::testing::Test {
 protected:
  // A good table NAME C(8), QTY N(5), OK L, NOTE M with two records and their memos.
  void SetUp() override {
    std::vector<TFieldDef> defs(4);
    defs[0] = {"NAME", ftString, 8, false, 0};
    defs[1] = {"QTY", ftFloat, 5, false, 0};
    defs[2] = {"OK", ftBoolean, 0, false, 0};
    defs[3] = {"NOTE", ftMemo, 0, false, 0};
    CreateDbaseTable(FPath, defs);
    auto t = OpenDbaseTable(FPath, {});
    t->Append({TValue::String("one"), TValue::Integer(1), TValue::Boolean(true),
               TValue::String("first memo")});
    t->Append({TValue::String("two"), TValue::Integer(2), TValue::Boolean(false),
               TValue::String("second memo")});
    FGood = ReadFile(FPath);
    FGoodMemo = ReadFile(FMemo);
  }

  // Opens `dbf` (with `memo` as its .dbt when given) and reads everything; returns the error.
  std::string Failure(const std::string& dbf, const std::string* memo = nullptr) {
    WriteFile(FPath, dbf);
    WriteFile(FMemo, memo ? *memo : FGoodMemo);
    try {
      TOpenOptions opt;
      opt.ReadOnly = true;
      auto t = OpenDbaseTable(FPath, opt);
      for (int64_t r = 0; r < t->RecordCount(); ++r) {
        const uint8_t* rec = t->Record(r);
        for (int f = 0; f < static_cast<int>(t->Fields().size()); ++f) {
          t->IsNull(rec, f);
          t->Value(rec, f);
        }
      }
    } catch (const EDatabaseError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind(FPath, 0), 0u) << what;  // names the table file first
      return what;
    }
    return "";
  }

  TTempDir FDir;
  const std::string FPath = FDir.File("t.dbf");
  const std::string FMemo = FDir.File("t.dbt");
  std::string FGood, FGoodMemo;
  // Offsets in the good file: 4 fields, header 161 bytes, records of 1+8+5+1+10 = 25 bytes.
  static constexpr size_t kHeader = 32 + 4 * 32 + 1;
  static constexpr size_t kRecord = 25;
  static constexpr size_t kMemoField = kHeader + 1 + 8 + 5 + 1;
};

TEST_F(DbaseDamage, TheGoodTableReads) {
  EXPECT_EQ(Failure(FGood), "");
}

TEST_F(DbaseDamage, HeaderLies) {
  EXPECT_NE(Failure("").find("too short"), std::string::npos);
  EXPECT_NE(Failure(FGood.substr(0, 31)).find("too short"), std::string::npos);
  EXPECT_NE(Failure(FGood.substr(0, 100)).find("truncated"), std::string::npos);

  std::string b = FGood;
  Put32(b, 4, 0xFFFFFFFF);  // record count
  EXPECT_NE(Failure(b).find("header counts 4294967295 records but the file holds 2"),
            std::string::npos);

  b = FGood;
  Put16(b, 8, 20);  // header length below the fixed part
  EXPECT_NE(Failure(b).find("header length 20 is too small"), std::string::npos);
  Put16(b, 8, 4000);
  EXPECT_NE(Failure(b).find("exceeds the file size"), std::string::npos);
  Put16(b, 8, 0xFFFF);  // no table has such a header, whatever the file size
  EXPECT_NE(Failure(b).find("impossible header length 65535"), std::string::npos);

  b = FGood;
  Put16(b, 10, 10);  // record length shorter than the fields
  EXPECT_NE(Failure(b).find("record length 10 is shorter than its fields"), std::string::npos);
  Put16(b, 10, 0);
  EXPECT_NE(Failure(b).find("shorter than its fields"), std::string::npos);

  b = FGood;
  b[0] = 0x42;
  EXPECT_NE(Failure(b).find("not a dBase table (unknown version byte 0x42)"), std::string::npos);
  b[0] = 0x04;
  EXPECT_NE(Failure(b).find("dBase 7"), std::string::npos);
  b[0] = 0x02;
  EXPECT_NE(Failure(b).find("dBase II"), std::string::npos);

  b = FGood;
  b[32 + 32 * 2 + 16] = 3;  // L field of width 3
  Put16(b, 10, 27);
  EXPECT_NE(Failure(b).find("field 'OK' of type 'L' has width 3, expected 1"), std::string::npos);
}

TEST_F(DbaseDamage, BadFieldContents) {
  std::string b = FGood;
  b.replace(kHeader + 1 + 8, 5, "  1x2");
  EXPECT_NE(Failure(b).find("record 1, field 'QTY': invalid number \"  1x2\""), std::string::npos);
  b = FGood;
  b[kHeader + kRecord + 1 + 8 + 5] = 'X';
  EXPECT_NE(Failure(b).find("record 2, field 'OK': invalid logical value"), std::string::npos);
  b = FGood;
  b.replace(kMemoField, 10, "      12ab");
  EXPECT_NE(Failure(b).find("invalid memo block number"), std::string::npos);
}

TEST_F(DbaseDamage, MemoPointersAndEntries) {
  std::string b = FGood;
  b.replace(kMemoField, 10, "4000000000");
  EXPECT_NE(Failure(b).find("memo block 4000000000 is past the end of the memo file"),
            std::string::npos);
  b.replace(kMemoField, 10, "         5");
  EXPECT_NE(Failure(b).find("past the end of the memo file"), std::string::npos);

  // A dBase IV entry whose length runs past the end of the file.
  b = FGood;
  b[0] = static_cast<char>(0x8B);
  std::string memo(512, '\0');
  Put32(memo, 0, 3);
  Put16(memo, 20, 512);
  memo += std::string("\xFF\xFF\x08\x00", 4) + std::string(4, '\0') + "abc";
  Put32(memo, 512 + 4, 100000);
  const std::string err = Failure(b, &memo);
  EXPECT_NE(err.find("t.dbt: memo at block 1 runs past the end"), std::string::npos) << err;
  Put32(memo, 512 + 4, 3);  // shorter than its own header
  EXPECT_NE(Failure(b, &memo).find("damaged memo at block 1"), std::string::npos);

  // A dBase III memo without its end marker runs to the end of the file; nothing more.
  std::string unterminated = FGoodMemo.substr(0, 512) + "no end marker";
  b = FGood;
  b.replace(kMemoField, 10, "         1");
  b.replace(kMemoField + kRecord, 10, "         1");
  EXPECT_EQ(Failure(b, &unterminated), "");
}

TEST_F(DbaseDamage, FoxProMemoEntries) {
  // Turn the table into a FoxPro 2.x one with an .fpt of 64-byte blocks.
  std::string b = FGood;
  b[0] = static_cast<char>(0xF5);
  std::filesystem::remove(FMemo);
  std::string fpt(512, '\0');
  fpt[7] = 64;
  fpt += std::string("\0\0\0\1\0\0\0\5hello", 13);
  fpt.resize(512 + 64, '\0');
  auto fail = [&](const std::string& dbf, const std::string& memo) {
    WriteFile(FDir.File("t.fpt"), memo);
    WriteFile(FPath, dbf);
    try {
      TOpenOptions opt;
      opt.ReadOnly = true;
      auto t = OpenDbaseTable(FPath, opt);
      return t->Value(t->Record(0), 3).ToString();
    } catch (const EDatabaseError& e) {
      return std::string(e.what());
    }
  };
  b.replace(kMemoField, 10, "         8");  // 8 * 64 = 512: the first block after the header
  EXPECT_EQ(fail(b, fpt), "hello");
  b.replace(kMemoField, 10, "         2");
  EXPECT_NE(fail(b, fpt).find("inside the memo file header"), std::string::npos);
  b.replace(kMemoField, 10, "         8");
  std::string longer = fpt;
  longer[512 + 4] = 0x7F;  // big-endian length near 2 GB
  EXPECT_NE(fail(b, longer).find("runs past the end of the memo file"), std::string::npos);
  std::string noBlocks = fpt;
  noBlocks[7] = 0;
  EXPECT_NE(fail(b, noBlocks).find("t.fpt: damaged memo file header: impossible block size 0"),
            std::string::npos);
}

// A table written byte by byte: one record of `fields` ({name, letter, width, decimals}) per
// entry of `records` (each the record's bytes after the deletion flag).
struct TRawField {
  std::string Name;
  char Letter;
  int Width;
  int Decimals;
};

std::string RawTable(uint8_t version, const std::vector<TRawField>& fields,
                     const std::vector<std::string>& records) {
  const bool vfp = version == 0x30;
  const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1 + (vfp ? 263 : 0);
  int recordLength = 1;
  for (const TRawField& f : fields) recordLength += f.Width;
  std::string b(static_cast<size_t>(headerLength), '\0');
  b[0] = static_cast<char>(version);
  Put32(b, 4, static_cast<uint32_t>(records.size()));
  Put16(b, 8, headerLength);
  Put16(b, 10, recordLength);
  for (size_t i = 0; i < fields.size(); ++i) {
    const size_t d = 32 + 32 * i;
    b.replace(d, fields[i].Name.size(), fields[i].Name);
    b[d + 11] = fields[i].Letter;
    b[d + 16] = static_cast<char>(fields[i].Width);
    b[d + 17] = static_cast<char>(fields[i].Decimals);
  }
  b[32 + 32 * fields.size()] = 0x0D;
  for (const std::string& r : records) b += " " + r;
  return b + "\x1A";
}

// Files other readers take: numbers wider than 32 digits, and Visual FoxPro times stored a
// millisecond short of the second the writing program shows.
TEST_F(DbaseDamage, WideNumbersAndFoxProTimes) {
  const std::string wide(50, ' ');
  std::string value = wide;
  value.replace(50 - 6, 6, "123.25");
  WriteFile(FPath, RawTable(0x03, {{"BIG", 'N', 50, 2}, {"F", 'F', 40, 0}},
                            {value + std::string(39, ' ') + "7"}));
  TOpenOptions opt;
  opt.ReadOnly = true;
  auto t = OpenDbaseTable(FPath, opt);
  EXPECT_DOUBLE_EQ(t->Value(t->Record(0), 0).ToFloat(), 123.25);
  EXPECT_DOUBLE_EQ(t->Value(t->Record(0), 1).ToFloat(), 7);
  t.reset();

  // A width the record cannot hold is still an error.
  std::string cut = RawTable(0x03, {{"BIG", 'N', 50, 2}}, {value});
  Put16(cut, 10, 30);
  EXPECT_NE(Failure(cut).find("shorter than its fields"), std::string::npos);

  // 2024-03-05 (Julian day 2460375) at 30599999 ms and at 86399700 ms.
  auto stamp = [](uint32_t ms) {
    std::string s(8, '\0');
    Put32(s, 0, 2460375);
    Put32(s, 4, ms);
    return s;
  };
  WriteFile(FPath, RawTable(0x30, {{"WHEN", 'T', 8, 0}}, {stamp(30599999), stamp(86399700)}));
  t = OpenDbaseTable(FPath, opt);
  EXPECT_EQ(t->Value(t->Record(0), 0).ToString(), "2024-03-05 08:30:00");
  EXPECT_EQ(t->Value(t->Record(1), 0).ToString(), "2024-03-06 00:00:00");  // the next day
}

}  // namespace
}  // namespace lw
