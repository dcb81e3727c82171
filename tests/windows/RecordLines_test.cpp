// Which field feeds which line of the record view, and when a line stays empty.
#include "RecordLines.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace lw {
namespace {

TRecordColumns Unconfigured() {
  TRecordColumns c;
  c.fill(-1);
  return c;
}

// A record whose field at position p reads "f<p>"; positions from `last` on do not exist.
TFieldReader Record(int last = 100, std::map<int, std::string> values = {}) {
  return [last, values](int position) -> std::string {
    if (position >= last) throw std::out_of_range("field index out of range");
    auto it = values.find(position);
    return it != values.end() ? it->second : "f" + std::to_string(position);
  };
}

TEST(RecordLinesTest, SecondAddressLineJoinsThreeFieldsOnlyWhenAllAreConfigured) {
  TRecordColumns c = Unconfigured();
  c[3] = 4;
  c[4] = 5;
  c[5] = 6;
  EXPECT_EQ(ComposeRecordLines(c, Record(100, {{4, "A"}, {5, "B"}, {6, "C"}})).Address2, "A, B C");
  c[5] = -1;
  EXPECT_EQ(ComposeRecordLines(c, Record()).Address2, "");
  c[5] = -7;  // any negative value means "not configured"
  EXPECT_EQ(ComposeRecordLines(c, Record()).Address2, "");
}

TEST(RecordLinesTest, TwoFieldLinesAndTheirSeparators) {
  TRecordColumns c = Unconfigured();
  c[10] = 1;
  c[11] = 2;
  c[19] = 3;
  c[20] = 4;
  c[14] = 5;
  c[15] = 6;
  const TRecordLines l = ComposeRecordLines(c, Record());
  EXPECT_EQ(l.Contact, "f1, f2");
  EXPECT_EQ(l.Contact2, "f3, f4");
  EXPECT_EQ(l.SIC2, "f5, f6");
  EXPECT_EQ(l.Company, "");
}

TEST(RecordLinesTest, PhoneFormOnlyForExactlyTenCharacters) {
  EXPECT_EQ(PhoneForm("abcdefghij"), "(abc) def-ghij");
  EXPECT_EQ(PhoneForm("7165551234"), "(716) 555-1234");
  EXPECT_EQ(PhoneForm("(716) 555-1234"), "(716) 555-1234");
  EXPECT_EQ(PhoneForm("716555123"), "716555123");
  EXPECT_EQ(PhoneForm("71655512345"), "71655512345");
  EXPECT_EQ(PhoneForm(""), "");

  TRecordColumns c = Unconfigured();
  c[6] = 1;
  c[7] = 2;
  const TRecordLines l =
      ComposeRecordLines(c, Record(100, {{1, "abcdefghij"}, {2, "(716) 555-1234"}}));
  EXPECT_EQ(l.Tel, "(abc) def-ghij");
  EXPECT_EQ(l.Fax, "(716) 555-1234");
}

TEST(RecordLinesTest, APositionBeyondTheRecordEndsTheFillingThere) {
  TRecordColumns c;
  for (int i = 0; i < kRecordColumnCount; ++i) c[static_cast<size_t>(i)] = i;
  c[6] = 99;  // the telephone line comes after company and both address lines
  const TRecordLines l = ComposeRecordLines(c, Record(30));
  EXPECT_EQ(l.Company, "f1");
  EXPECT_EQ(l.Address1, "f2");
  EXPECT_EQ(l.Address2, "f3, f4 f5");
  EXPECT_EQ(l.Tel, "");
  EXPECT_EQ(l.Fax, "");
  EXPECT_EQ(l.Email, "");
  EXPECT_EQ(l.Contact, "");
  EXPECT_EQ(l.SIC2, "");
}

TEST(RecordLinesTest, AFailureInsideAJoinedLineLeavesThatLineEmpty) {
  TRecordColumns c = Unconfigured();
  c[1] = 1;
  c[3] = 2;
  c[4] = 50;  // fails after the first part of the line has been read
  c[5] = 3;
  c[6] = 4;
  const TRecordLines l = ComposeRecordLines(c, Record(10));
  EXPECT_EQ(l.Company, "f1");
  EXPECT_EQ(l.Address2, "");
  EXPECT_EQ(l.Tel, "");
}

}  // namespace
}  // namespace lw
