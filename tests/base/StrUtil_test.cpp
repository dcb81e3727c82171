// The Str_ family's position and count rules, version and size formatting, URL helpers.
#include "strutil/StrUtil.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(StrUtil, SafeSubstringRule) {
  EXPECT_EQ(Str_Copy("abc", 0, 2), "");   // a start below 1 is not moved to 1
  EXPECT_EQ(Str_Copy("abc", 4, 1), "");   // past the end
  EXPECT_EQ(Str_Copy("abc", 2, -1), "");  // negative count
  EXPECT_EQ(Str_Copy("abc", 2, 99), "bc");
  EXPECT_EQ(Str_Left("abc", 5), "abc");
  EXPECT_EQ(Str_Left("abc", -1), "");
  EXPECT_EQ(Str_Right("abc", 5), "");  // start falls below 1
  EXPECT_EQ(Str_Right("abc", 0), "");
  EXPECT_EQ(Str_Right("abc", 2), "bc");
  EXPECT_EQ(Str_SubToEnd("abc", 2), "bc");
  EXPECT_EQ(Str_SubToEnd("abc", 0), "");
  EXPECT_EQ(Str_SubToEnd("abc", 4), "");
}

TEST(StrUtil, PosFindsOverlappingOccurrences) {
  EXPECT_EQ(Str_Pos("a;b;", ";", 2), 4);
  EXPECT_EQ(Str_Pos("a;b;", ";", 3), 0);
  EXPECT_EQ(Str_Pos("aaaa", "aa", 1), 1);
  EXPECT_EQ(Str_Pos("aaaa", "aa", 2), 2);
  EXPECT_EQ(Str_Pos("aaaa", "aa", 3), 3);
  EXPECT_EQ(Str_Pos("aaaa", "aa", 4), 0);
  EXPECT_EQ(Str_Pos("abc", "", 1), 0);
  EXPECT_EQ(Str_Pos("abc", "a", 0), 0);
  EXPECT_EQ(Str_Pos("abc", "A", 1), 0);  // byte-exact
}

TEST(StrUtil, ExtractFields) {
  EXPECT_EQ(Str_Extract("A;3;LABEL", 3, ";"), "LABEL");
  EXPECT_EQ(Str_Extract("A;3;", 3, ";"), "");
  EXPECT_EQ(Str_Extract("A;3", 5, ";"), "");
  EXPECT_EQ(Str_Extract("A;3", 1, ";"), "A");
  EXPECT_EQ(Str_Extract("A;3", 2, ";"), "3");
  EXPECT_EQ(Str_Extract("whole", 1, ";"), "whole");
  EXPECT_EQ(Str_Extract("", 1, ";"), "");
  EXPECT_EQ(Str_Extract("A;B", 0, ";"), "");
  EXPECT_EQ(Str_Extract(";;x", 2, ";"), "");
  EXPECT_EQ(Str_Extract(";;x", 3, ";"), "x");
  // A two-character delimiter: the field begins after the delimiter's first character.
  EXPECT_EQ(Str_Extract("a::b", 2, "::"), ":b");
}

TEST(StrUtil, StrTranAndCount) {
  EXPECT_EQ(Str_StrTran("A B-C", " ", ""), "AB-C");
  EXPECT_EQ(Str_StrTran("AB-C", "-", ""), "ABC");
  EXPECT_EQ(Str_StrTran("aaa", "a", "aa"), "aaaaaa");  // inserted text is not searched again
  EXPECT_EQ(Str_StrTran("abab", "ab", "b"), "bb");
  EXPECT_EQ(Str_StrTran("abc", "", "x"), "abc");
  EXPECT_EQ(Str_StrCount("aaaa", "aa"), 2);  // non-overlapping
  EXPECT_EQ(Str_StrCount("", "a"), 0);
  EXPECT_EQ(Str_StrCount("abc", ""), 0);
}

TEST(StrUtil, PaddingAndReplication) {
  EXPECT_EQ(Str_PadLeft("7", 3, '0'), "007");
  EXPECT_EQ(Str_PadLeft("1234", 3, '0'), "234");
  EXPECT_EQ(Str_PadLeft("x", 0, '0'), "");
  EXPECT_EQ(Str_PadRight("7", 3, '-'), "7--");
  EXPECT_EQ(Str_PadRight("1234", 3, '-'), "123");
  EXPECT_EQ(Str_PadRight("x", -2, '-'), "");
  EXPECT_EQ(Str_Replicate('x', 3), "xxx");
  EXPECT_EQ(Str_Replicate('x', -3), "");
  EXPECT_EQ(Str_Space(2), "  ");
}

TEST(StrUtil, Stuff) {
  EXPECT_EQ(Str_Stuff("abcdef", "XY", 3, 2), "abXYef");
  EXPECT_EQ(Str_Stuff("abc", "X", 2, 10), "aX");   // rest past the end: nothing appended
  EXPECT_EQ(Str_Stuff("abc", "X", 1, -5), "X");    // pos + count below 1 drops the rest
  EXPECT_EQ(Str_Stuff("abc", "X", 4, 0), "abcX");  // insertion at the end
}

TEST(StrUtil, CompareVer) {
  EXPECT_EQ(CompareVer("2.1.4.25", "2.1.4.3"), 1);
  EXPECT_EQ(CompareVer("2.1", "2.1.0.0"), 0);
  EXPECT_EQ(CompareVer("2.0.9", "2.1"), -1);
  EXPECT_EQ(CompareVer("2,1,0,1", "2.1.0.0"), 1);
  EXPECT_EQ(CompareVer("2.1.0.0.9", "2.1.0.0.1"), 0);  // only four components count
  EXPECT_EQ(CompareVer("2.x", "2.0"), 0);              // not a number counts as 0
}

TEST(StrUtil, FileSizeFormats) {
  EXPECT_EQ(FileSizeFmt(1023), "1023 bytes");
  EXPECT_EQ(FileSizeFmt(0), "0 bytes");
  EXPECT_EQ(FileSizeFmt(-5), "-5 bytes");
  EXPECT_EQ(FileSizeFmt(1024), "1.00 Kb");
  EXPECT_EQ(FileSizeFmt(1023999), "1000.00 Kb");
  EXPECT_EQ(FileSizeFmt(1024000), "1.00 Mb");
  EXPECT_EQ(FileSizeFmt(1048576), "1.02 Mb");
  EXPECT_EQ(FileSizeFmtSpeed(999), "999 bytes/sec");
  EXPECT_EQ(FileSizeFmtSpeed(1500), "1.50 Kb/sec");
  EXPECT_EQ(FileSizeFmtSpeed(2500000), "2.50 Mb/sec");
}

TEST(StrUtil, UrlHelpers) {
  EXPECT_EQ(UrlToFile("http://host/updates/lw21update.inf"), "lw21update.inf");
  EXPECT_EQ(UrlToFile("http://host/dir/"), "");
  EXPECT_EQ(UrlToFile("c:\\dir\\file.cab"), "file.cab");
  EXPECT_EQ(UrlToFile("plain"), "plain");
  EXPECT_EQ(ExtractServer("http://user:pw@www.talvern.com:8080/news/x.inf"),
            "www.talvern.com:8080");
  EXPECT_EQ(ExtractServer("ftp.talvern.com/pub"), "ftp.talvern.com");
  EXPECT_EQ(ExtractServer("http://host"), "host");
}

}  // namespace
}  // namespace lw
