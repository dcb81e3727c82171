#include "ProgressPercent.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(ProgressPercent, IsTheExactCeilingAtEveryStep) {
  for (int64_t total : {1, 2, 3, 7, 99, 100, 101, 300, 1001, 33333}) {
    TProgressPercent percent(total);
    for (int64_t done = 1; done <= total; ++done) {
      int64_t expected = (done * 100 + total - 1) / total;
      ASSERT_EQ(percent.Update(done), expected) << done << " of " << total;
    }
  }
}

TEST(ProgressPercent, LargeTablesNeitherOverflowNorRound) {
  const int64_t total = 30'000'000;  // done * 100 passes the 32-bit range
  TProgressPercent percent(total);
  EXPECT_EQ(percent.Update(1), 1);
  EXPECT_EQ(percent.Update(21'474'837), 72);
  EXPECT_EQ(percent.Update(total - 1), 100);
  // 7 of 100 is 7 exactly; 7.0 / 100 * 100 in double precision is 7.000000000000001.
  TProgressPercent hundred(100);
  EXPECT_EQ(hundred.Update(7), 7);
}

TEST(ProgressPercent, MoreRecordsThanCountedStayAtAHundred) {
  TProgressPercent percent(3);
  EXPECT_EQ(percent.Update(4), 100);
  TProgressPercent none(0);
  EXPECT_EQ(none.Update(1), 100);
}

}  // namespace
}  // namespace lw
