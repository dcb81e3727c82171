#include "CommaList.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

using Items = std::vector<std::string>;

struct TSplitCase {
  const char* Text;
  Items Expected;
};

class CommaListSplit : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(CommaListSplit, GivesItemsInOrder) {
  EXPECT_EQ(SplitCommaList(GetParam().Text), GetParam().Expected) << "text: " << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommaListSplit,
    ::testing::Values(
        // The builder's trailing comma is a plain separator.
        TSplitCase{"9512*, 50*, 7991-01,", {"9512*", "50*", "7991-01"}},
        TSplitCase{"02202*, 14221-5*,", {"02202*", "14221-5*"}}, TSplitCase{"50*,", {"50*"}},
        // Blanks separate items like commas do.
        TSplitCase{"7991 01,", {"7991", "01"}}, TSplitCase{"  \t 14221 ,", {"14221"}},
        TSplitCase{"a\tb\nc,", {"a", "b", "c"}},
        // A comma typed at the end is doubled by the builder: an empty item.
        TSplitCase{"14221,,", {"14221", ""}}, TSplitCase{"a,,b,", {"a", "", "b"}},
        TSplitCase{",a,", {"", "a"}}, TSplitCase{"a , , b,", {"a", "", "b"}},
        // Quoted items keep blanks and commas; "" stands for one quote.
        TSplitCase{"\"a b\",c,", {"a b", "c"}}, TSplitCase{"\"a,b\",", {"a,b"}},
        TSplitCase{"\"say \"\"hi\"\"\",", {"say \"hi\""}}, TSplitCase{"\"\",x,", {"", "x"}},
        TSplitCase{"\"open to the end", {"open to the end"}}, TSplitCase{"\"ab\"cd,", {"ab", "cd"}},
        // A quote inside an unquoted item is ordinary.
        TSplitCase{"ab\"cd,", {"ab\"cd"}}, TSplitCase{"", {}}, TSplitCase{"   ", {}},
        TSplitCase{",", {""}}));

}  // namespace
}  // namespace lw
