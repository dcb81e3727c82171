#include "CsvWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace lw {
namespace {

std::string Quoted(std::string_view field, char delimiter = ',') {
  std::string out;
  AppendCsvField(out, field, delimiter);
  return out;
}

TEST(CsvWriterTest, QuotesOnlyWhatRfc4180Requires) {
  EXPECT_EQ(Quoted("plain text"), "plain text");
  EXPECT_EQ(Quoted(""), "");
  EXPECT_EQ(Quoted(" leading and trailing "), " leading and trailing ");
  EXPECT_EQ(Quoted("Harmon, Voss & Keller"), "\"Harmon, Voss & Keller\"");
  EXPECT_EQ(Quoted("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(Quoted("\""), "\"\"\"\"");
  EXPECT_EQ(Quoted("two\r\nlines"), "\"two\r\nlines\"");
  EXPECT_EQ(Quoted("cr\ronly"), "\"cr\ronly\"");
  EXPECT_EQ(Quoted("lf\nonly"), "\"lf\nonly\"");
}

TEST(CsvWriterTest, OtherDelimiterIsQuotedInsteadOfTheComma) {
  EXPECT_EQ(Quoted("a,b", ';'), "a,b");
  EXPECT_EQ(Quoted("a;b", ';'), "\"a;b\"");
}

TEST(CsvWriterTest, WritesRowsWithCrlfAndEmptyFields) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  {
    TCsvWriter csv(f);
    csv.Field("a");
    csv.Field("");
    csv.Field("c,d");
    csv.EndRow();
    csv.Field("");
    csv.EndRow();
    csv.Flush();
  }
  std::rewind(f);
  std::string text;
  for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
  std::fclose(f);
  EXPECT_EQ(text, "a,,\"c,d\"\r\n\r\n");
}

TEST(CsvWriterTest, FailedWriteIsReported) {
  std::FILE* f = std::fopen("/dev/full", "w");
  if (!f) GTEST_SKIP() << "/dev/full is not available";
  TCsvWriter csv(f);
  csv.Field("x");
  csv.EndRow();
  EXPECT_THROW(csv.Flush(), std::runtime_error);
  std::fclose(f);
}

}  // namespace
}  // namespace lw
