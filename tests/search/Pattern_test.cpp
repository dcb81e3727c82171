#include "Pattern.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lw {
namespace {

struct TPatternCase {
  const char* Criterion;
  const char* Field;
  bool Matches;
};

class PatternTest : public ::testing::TestWithParam<TPatternCase> {};

TEST_P(PatternTest, MatchesByteForByte) {
  const TPatternCase& c = GetParam();
  EXPECT_EQ(PatternMatches(c.Criterion, c.Field), c.Matches)
      << "criterion '" << c.Criterion << "' field '" << c.Field << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Prefix, PatternTest,
    ::testing::Values(TPatternCase{"ABC*", "ABC", true}, TPatternCase{"ABC*", "ABC Supply", true},
                      TPatternCase{"ABC*", "abc Supply", false}, TPatternCase{"ABC*", "AB", false},
                      TPatternCase{"ABC*", "", false}, TPatternCase{"Com*", "Computer", true},
                      TPatternCase{"Com*", "COMPUTER", false},
                      // A lone star matches everything, the empty text included.
                      TPatternCase{"*", "", true}, TPatternCase{"*", "anything", true},
                      // Only the last star is special.
                      TPatternCase{"**", "*x", true}, TPatternCase{"**", "x", false},
                      TPatternCase{"A*C", "ABC", false}, TPatternCase{"A*C", "A*C", true},
                      TPatternCase{" AB*", " ABC", true}, TPatternCase{" AB*", "ABC", false},
                      // Short prefixes of each length, different in the first or last byte.
                      TPatternCase{"12*", "13", false}, TPatternCase{"123*", "1234", true},
                      TPatternCase{"123*", "124", false}, TPatternCase{"12345*", "02345", false},
                      TPatternCase{"12345*", "12346", false},
                      TPatternCase{"1234567*", "1234568", false},
                      TPatternCase{"12345678*", "123456789", true},
                      TPatternCase{"12345678*", "02345678", false},
                      TPatternCase{"123456789*", "123456780", false}));

INSTANTIATE_TEST_SUITE_P(Exact, PatternTest,
                         ::testing::Values(TPatternCase{"YMCA", "YMCA", true},
                                           TPatternCase{"ymca", "YMCA", false},
                                           TPatternCase{"14221", "14221", true},
                                           TPatternCase{"14221", "142211234", false},
                                           TPatternCase{"14221", "14221 ", false},
                                           TPatternCase{"YMCA ", "YMCA", false},
                                           TPatternCase{"YMCA", "YMCA ", false}));

TEST(Pattern, EmptyCriterionIsAnError) {
  EXPECT_THROW(PatternMatches("", "x"), std::out_of_range);
}

TEST(Pattern, CompiledFormKeepsTheTextWithoutItsStar) {
  TPattern p("50*");
  EXPECT_TRUE(p.Prefix());
  EXPECT_EQ(p.Text(), "50");
  TPattern q("5*0");
  EXPECT_FALSE(q.Prefix());
  EXPECT_EQ(q.Text(), "5*0");
}

}  // namespace
}  // namespace lw
