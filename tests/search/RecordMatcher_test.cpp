#include "RecordMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "Criteria.h"
#include "DatabaseError.h"

namespace lw {
namespace {

// A record addressed by position that remembers which positions were read.
struct TFakeRecord {
  std::vector<std::string> Fields = std::vector<std::string>(15);
  std::vector<int> Reads;

  std::string_view FieldText(int index) {
    Reads.push_back(index);
    if (index < 0 || index >= static_cast<int>(Fields.size())) {
      throw EDatabaseError("Field index out of range: " + std::to_string(index));
    }
    return Fields[index];
  }
  bool WasRead(int index) const {
    return std::find(Reads.begin(), Reads.end(), index) != Reads.end();
  }
};

TFakeRecord Record(const std::map<int, std::string>& values) {
  TFakeRecord r;
  for (const auto& [pos, text] : values) r.Fields[pos] = text;
  return r;
}

std::vector<std::string> Slots(const std::map<int, std::string>& values) {
  std::vector<std::string> c(CriteriaSlotCount);
  for (const auto& [slot, text] : values) c[slot] = text;
  return c;
}

bool Matches(const std::map<int, std::string>& criteria, const std::map<int, std::string>& fields) {
  TFakeRecord r = Record(fields);
  return TRecordMatcher(Slots(criteria)).Matches(r);
}

TEST(RecordMatcher, EmptyCriteriaMatchEveryRecordWithoutReadingIt) {
  TFakeRecord r = Record({{sfCompany, "anything"}});
  EXPECT_TRUE(TRecordMatcher(Slots({})).Matches(r));
  EXPECT_TRUE(r.Reads.empty());
  EXPECT_TRUE(TRecordMatcher().Matches(r));
}

TEST(RecordMatcher, TextSlotsUseThePatternTestOnUntrimmedFields) {
  EXPECT_TRUE(Matches({{csCompany, "ABC*"}}, {{sfCompany, "ABC Corp"}}));
  EXPECT_FALSE(Matches({{csCompany, "ABC"}}, {{sfCompany, "ABC "}}));  // company not trimmed
  EXPECT_TRUE(Matches({{csCompany, "*"}}, {{sfCompany, ""}}));
  EXPECT_TRUE(Matches({{csCity, "Ve*"}}, {{sfCity, "Venice"}}));
  EXPECT_FALSE(Matches({{csCity, "Ve*"}}, {{sfCity, " Venice"}}));
  EXPECT_FALSE(Matches({{csCity, "Buffalo"}}, {{sfCompany, "Buffalo"}}));  // position 2 only
  EXPECT_TRUE(Matches({{csSICDesc, "Com*"}}, {{sfSICDesc, "Computer"}}));
  EXPECT_FALSE(Matches({{csSICDesc, "Com*"}}, {{sfSICDesc, "COMPUTER"}}));
}

TEST(RecordMatcher, ClassListsAreExactMembershipOfTheTrimmedValue) {
  EXPECT_TRUE(Matches({{csStates, "\"AK\",\"NY\","}}, {{sfState, "NY"}}));
  EXPECT_TRUE(Matches({{csStates, "\"NY\","}}, {{sfState, " NY  "}}));
  EXPECT_TRUE(Matches({{csStates, "\"NY\","}}, {{sfState, "NY\t"}}));
  EXPECT_FALSE(Matches({{csStates, "\"NY\","}}, {{sfState, "ny"}}));
  EXPECT_FALSE(Matches({{csStates, "\"NY\","}}, {{sfState, "N"}}));
  EXPECT_FALSE(Matches({{csStates, "\"NY\","}}, {{sfState, ""}}));
  EXPECT_TRUE(Matches({{csEmployees, "\"Over 10000\","}}, {{sfEmployees, "Over 10000"}}));
  EXPECT_FALSE(Matches({{csEmployees, "\"Over 10000\","}}, {{sfEmployees, "over 10000"}}));
  EXPECT_TRUE(Matches({{csSales, "\"<.5M\",\"1B\","}}, {{sfSales, "1B "}}));
  EXPECT_FALSE(Matches({{csSales, "\"Over 1B\","}}, {{sfSales, "1B"}}));  // not a substring test
}

TEST(RecordMatcher, OddListsAndValuesKeepTheSubstringRule) {
  // Values holding quotes or commas, and slots that are not clean quoted lists, are decided
  // by the substring rule itself.
  EXPECT_TRUE(Matches({{csStates, "\"AK\",\"CA\","}}, {{sfState, "AK\",\"CA"}}));
  EXPECT_TRUE(Matches({{csStates, "x\"NY\",y"}}, {{sfState, "NY"}}));
  EXPECT_FALSE(Matches({{csStates, "\"NY\""}}, {{sfState, "NY"}}));
  EXPECT_TRUE(Matches({{csStates, "\"\","}}, {{sfState, "  "}}));
  EXPECT_TRUE(Matches({{csStates, "\"A\",\",B\","}}, {{sfState, ","}}));
  EXPECT_FALSE(Matches({{csStates, "\"A\",\"B\","}}, {{sfState, ","}}));
}

TEST(RecordMatcher, ZipItemsAreAlternatives) {
  const std::string zips = "02202*, 14221-5*,";
  EXPECT_TRUE(Matches({{csZip, zips}}, {{sfZip, "02202"}}));
  EXPECT_TRUE(Matches({{csZip, zips}}, {{sfZip, "14221-5678"}}));
  EXPECT_FALSE(Matches({{csZip, zips}}, {{sfZip, "14221"}}));
  EXPECT_TRUE(Matches({{csZip, "14221,"}}, {{sfZip, "14221"}}));
  EXPECT_FALSE(Matches({{csZip, "14221,"}}, {{sfZip, "142211234"}}));
}

TEST(RecordMatcher, SicItemsLookAtThreePositions) {
  EXPECT_TRUE(Matches({{csSIC, "50*,"}}, {{sfSIC, "7011"}, {sfSIC3, "5012-01"}}));
  EXPECT_TRUE(Matches({{csSIC, "50*,"}}, {{sfSIC2, "5000"}}));
  EXPECT_FALSE(Matches({{csSIC, "50*,"}}, {{sfSICDesc, "5000"}}));  // 12 is the description
  EXPECT_TRUE(Matches({{csSIC, "9512*, 7991-01,"}}, {{sfSIC, "7991-01"}}));
  EXPECT_FALSE(Matches({{csSIC, "7991 01,"}}, {{sfSIC, "7991-01"}}));
}

TEST(RecordMatcher, SicPositionsAreReadOnlyWhenNeeded) {
  TRecordMatcher m(Slots({{csSIC, "70*,"}}));
  TFakeRecord r = Record({{sfSIC, "7011"}});
  EXPECT_TRUE(m.Matches(r));
  EXPECT_FALSE(r.WasRead(sfSIC2));
  EXPECT_FALSE(r.WasRead(sfSIC3));

  // A table without positions 13 and 14 fails only when an item needs them.
  TFakeRecord shortRecord;
  shortRecord.Fields.resize(13);
  shortRecord.Fields[sfSIC] = "7011";
  EXPECT_TRUE(m.Matches(shortRecord));
  shortRecord.Fields[sfSIC] = "5000";
  EXPECT_THROW(m.Matches(shortRecord), EDatabaseError);
}

TEST(RecordMatcher, CriteriaCombineWithAndInAFixedOrder) {
  std::map<int, std::string> all{
      {csCompany, "A*"},         {csCity, "B*"},       {csStates, "\"NY\","}, {csZip, "14*,"},
      {csEmployees, "\"1-4\","}, {csSales, "\"1B\","}, {csSIC, "50*,"},       {csSICDesc, "W*"}};
  std::map<int, std::string> rec{{sfCompany, "Acme"}, {sfCity, "Buffalo"},     {sfState, "NY"},
                                 {sfZip, "14221"},    {sfEmployees, "1-4"},    {sfSales, "1B"},
                                 {sfSIC, "5012"},     {sfSICDesc, "Wholesale"}};
  TRecordMatcher m(Slots(all));
  TFakeRecord r = Record(rec);
  EXPECT_TRUE(m.Matches(r));
  // The zip test runs after the two class tests, the SIC description last.
  std::vector<int> order{sfCompany, sfCity, sfState, sfEmployees, sfSales, sfZip, sfSIC, sfSICDesc};
  EXPECT_EQ(r.Reads, order);

  // Each failing test ends the evaluation: later fields are not read.
  struct {
    int Position;
    std::string Bad;
  } failures[] = {{sfCompany, "Zeta"}, {sfCity, "Albany"}, {sfState, "CA"}, {sfEmployees, "5-9"},
                  {sfSales, "N/A"},    {sfZip, "02202"},   {sfSIC, "7011"}, {sfSICDesc, "Retail"}};
  for (const auto& f : failures) {
    TFakeRecord bad = Record(rec);
    bad.Fields[f.Position] = f.Bad;
    EXPECT_FALSE(m.Matches(bad)) << "position " << f.Position;
    auto at = std::find(order.begin(), order.end(), f.Position);
    for (auto later = at + 1; later != order.end(); ++later) {
      EXPECT_FALSE(bad.WasRead(*later)) << "position " << *later << " after " << f.Position;
    }
  }
}

TEST(RecordMatcher, OtherStateRejectedWithoutReadingZip) {
  TRecordMatcher m(Slots({{csStates, "\"NY\","}, {csZip, "14*,"}}));
  TFakeRecord inState = Record({{sfState, "NY"}, {sfZip, "10001"}});
  EXPECT_FALSE(m.Matches(inState));
  TFakeRecord otherState = Record({{sfState, "CA"}, {sfZip, "14221"}});
  EXPECT_FALSE(m.Matches(otherState));
  EXPECT_FALSE(otherState.WasRead(sfZip));
}

TEST(RecordMatcher, EmptyListItemFailsOnlyWhenReached) {
  TRecordMatcher m(Slots({{csZip, "14221,,"}}));
  TFakeRecord hit = Record({{sfZip, "14221"}});
  EXPECT_TRUE(m.Matches(hit));
  TFakeRecord miss = Record({{sfZip, "10001"}});
  try {
    m.Matches(miss);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "The zip code list contains an empty item.");
  }

  TRecordMatcher sic(Slots({{csSIC, "50*,,70*,"}}));
  TFakeRecord later = Record({{sfSIC, "7011"}});  // would match the item after the empty one
  try {
    sic.Matches(later);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "The SIC code list contains an empty item.");
  }
  // An earlier failing test means the list is never reached.
  TRecordMatcher both(Slots({{csStates, "\"NY\","}, {csSIC, ",50*,"}}));
  TFakeRecord elsewhere = Record({{sfState, "CA"}});
  EXPECT_FALSE(both.Matches(elsewhere));
}

TEST(RecordMatcher, CriteriaListOfWrongLengthFailsEveryEvaluation) {
  TRecordMatcher m(std::vector<std::string>{});
  TFakeRecord r;
  EXPECT_THROW(m.Matches(r), std::runtime_error);
}

TEST(RecordMatcher, TrimBlanksRemovesControlCharactersToo) {
  EXPECT_EQ(TrimBlanks("\x01 NY \x1f"), "NY");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks("N Y"), "N Y");
}

}  // namespace
}  // namespace lw
