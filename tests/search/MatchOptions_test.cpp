// The matcher under match options, held against the classic matcher: with both options off
// it must decide every record as the classic one does; with them on, the cases users type.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "RecordMatcher.h"

namespace lw {
namespace {

struct TRecord {
  std::vector<std::string> Fields = std::vector<std::string>(15);
  std::string_view FieldText(int position) const { return Fields.at(position); }
};

// 1 match, 0 no match, -1 the evaluation failed.
template <class TMatcher>
int Outcome(const TMatcher& matcher, const TRecord& record) {
  try {
    return matcher.Matches(record) ? 1 : 0;
  } catch (const std::exception&) {
    return -1;
  }
}

TEST(MatchOptions, BothOffDecideRandomRecordsAsTheClassicMatcher) {
  std::mt19937 random(20);
  // Letters in both cases, blanks, stars, commas and a code-page letter pair.
  const std::string alphabet = "aAbB *,\xE9\xC9";
  auto text = [&](size_t longest) {
    std::string s(random() % (longest + 1), ' ');
    for (char& c : s) c = alphabet[random() % alphabet.size()];
    return s;
  };
  const int textSlots[] = {csCompany, csCity, csZip, csSIC, csSICDesc};
  const int positions[] = {sfCompany, sfCity, sfZip, sfSIC, sfSICDesc, sfSIC2, sfSIC3};
  int matched = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> criteria(CriteriaSlotCount);
    criteria[textSlots[random() % 5]] = text(4);
    if (random() % 2) criteria[textSlots[random() % 5]] = text(4);
    TRecord record;
    for (int p : positions) record.Fields[static_cast<size_t>(p)] = text(3);
    const int classic = Outcome(TRecordMatcher(criteria), record);
    const int options = Outcome(TOptionMatcher(criteria, {}, TCaseFold()), record);
    ASSERT_EQ(classic, options) << "criteria " << ::testing::PrintToString(criteria) << " record "
                                << ::testing::PrintToString(record.Fields);
    matched += classic == 1;
  }
  EXPECT_GT(matched, 100);  // the random records reach both answers
}

TEST(MatchOptions, OptionsOnMatchWhatUsersType) {
  const TMatchOptions kCase{true, false}, kStar{false, true}, kBoth{true, true};
  struct TCase {
    TMatchOptions Options;
    int Slot;
    std::string Criterion;
    int Position;
    std::string Field;
    bool Expected;
  };
  const TCase cases[] = {
      {kCase, csCity, "new*", sfCity, "New York", true},
      {kCase, csCity, "new york", sfCity, "NEW YORK", true},
      {kCase, csCity, "New York ", sfCity, "New York", true},  // blanks around are ignored
      {kCase, csCity, "*york", sfCity, "New York", false},     // '*' inside stays literal
      {kCase, csCompany,
       "\xE9"
       "cole*",
       sfCompany,
       "\xC9"
       "COLE DE DANSE",
       true},
      {kCase, csStates, "\"NY\",", sfState, "ny", false},  // the lists are untouched
      {kCase, csEmployees, "\"Over 10000\",", sfEmployees, "over 10000", false},
      {kStar, csCity, "*York", sfCity, "New York", true},
      {kStar, csCity, "*York", sfCity, "New York ", false},  // fields keep their blanks
      {kStar, csCity, "*york", sfCity, "New York", false},
      {kStar, csCompany, "*Auto*", sfCompany, "Best Auto Parts", true},
      {kStar, csCompany, "*Auto*", sfCompany, "Automat", true},
      {kStar, csCompany, "A*Co", sfCompany, "Acme Co", true},
      {kStar, csCompany, "A*Co", sfCompany, "Acme Corp", false},
      {kStar, csCompany, "A*Co", sfCompany, "ACo", true},
      {kStar, csCompany, "ab*ab", sfCompany, "aba", false},  // pieces may not overlap
      {kStar, csCompany, "*ab*ab", sfCompany, "xabab", true},
      {kStar, csCompany, "**", sfCompany, "", true},
      {kStar, csCompany, "Acme", sfCompany, "Acme Co", false},  // no '*': the whole value
      {kStar, csZip, "*21, 9*,", sfZip, "14221", true},
      {kStar, csZip, "*21, 9*,", sfZip, "14222", false},
      {kStar, csSIC, "*-01,", sfSIC3, "7991-01", true},
      {kBoth, csSICDesc, "*auto*", sfSICDesc, "AUTOMOBILE DEALERS", true},
      {kBoth, csCity, " *YORK ", sfCity, "new york", true},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> criteria(CriteriaSlotCount);
    criteria[static_cast<size_t>(c.Slot)] = c.Criterion;
    TRecord record;
    record.Fields[static_cast<size_t>(c.Position)] = c.Field;
    const TCaseFold fold = c.Options.IgnoreCase ? TCaseFold::ForCodePage(1252) : TCaseFold();
    EXPECT_EQ(TOptionMatcher(criteria, c.Options, fold).Matches(record), c.Expected)
        << "'" << c.Criterion << "' against '" << c.Field << "'";
  }
  // An empty comma-list item still ends the search when it is reached.
  std::vector<std::string> criteria(CriteriaSlotCount);
  criteria[csZip] = "9*,,";
  TRecord record;
  record.Fields[sfZip] = "14221";
  EXPECT_THROW(TOptionMatcher(criteria, kBoth, TCaseFold()).Matches(record), std::runtime_error);
}

TEST(MatchOptions, CaseFoldKnowsEachCodePagesLetters) {
  struct {
    int CodePage;
    char Capital, Small;
  } pairs[] = {{1252, 'A', 'a'},       {1252, '\xC9', '\xE9'}, {1252, '\x8A', '\x9A'},
               {1252, '\x9F', '\xFF'}, {437, '\x90', '\x82'},  {437, '\x8E', '\x84'}};
  for (const auto& p : pairs) {
    const TCaseFold fold = TCaseFold::ForCodePage(p.CodePage);
    EXPECT_EQ(fold(p.Capital), fold(p.Small)) << p.CodePage << " " << int(p.Capital & 0xFF);
  }
  // Not letters: left alone.
  const TCaseFold fold = TCaseFold::ForCodePage(1252);
  for (char c : {'*', '1', '\xD7', '\xF7'}) EXPECT_EQ(fold(c), static_cast<unsigned char>(c));
}

}  // namespace
}  // namespace lw
