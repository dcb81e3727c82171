// The one crossing between 8-bit table text and widget text.
#include "WidgetText.h"

#include <gtest/gtest.h>

#include "strutil/CodePage.h"

namespace lw {
namespace {

std::string AllBytes() {
  std::string s;
  for (int b = 1; b < 256; ++b) s += static_cast<char>(b);
  return s;
}

TEST(WidgetTextTest, WindowsWesternIsTheDefault) {
  EXPECT_EQ(WidgetText("Caf\xE9"), QStringLiteral("Caf\u00E9"));
  EXPECT_EQ(WidgetText("\x80 5"), QStringLiteral("\u20AC 5"));
  EXPECT_EQ(WidgetText("\x93quoted\x94", 1252), QStringLiteral("\u201Cquoted\u201D"));
  // A table that records no code page reads as Windows Western too.
  EXPECT_EQ(WidgetText("\x80", 0), QStringLiteral("\u20AC"));
  EXPECT_EQ(TableBytes(QStringLiteral("\u20AC\u00E9")), "\x80\xE9");
}

TEST(WidgetTextTest, DosCodePageOfOlderTables) {
  EXPECT_EQ(WidgetText("\x82t\x82", 437), QStringLiteral("\u00E9t\u00E9"));
  EXPECT_EQ(WidgetText("\xC4\xC4", 437), QStringLiteral("\u2500\u2500"));
  EXPECT_EQ(TableBytes(QStringLiteral("\u00E9"), 437), "\x82");
}

TEST(WidgetTextTest, UnknownCodePagesFallBackToLatin1) {
  EXPECT_EQ(WidgetText("\x80\xE9", 850), QString(QChar(0x80)) + QChar(0xE9));
}

TEST(WidgetTextTest, EveryByteSurvivesTheRoundTrip) {
  for (int cp : {1252, 437, 850}) {
    EXPECT_EQ(TableBytes(WidgetText(AllBytes(), cp), cp), AllBytes());
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(AllBytes(), cp), cp), AllBytes());
  }
}

TEST(WidgetTextTest, TerminalTextBecomesTheTablesBytes) {
  EXPECT_EQ(Utf8ToCodePage("Caf\xC3\xA9 \xE2\x82\xAC", 1252), "Caf\xE9 \x80");
  EXPECT_EQ(Utf8ToCodePage("\xC3\xA9", 437), "\x82");
  // Bytes outside a UTF-8 sequence pass unchanged; characters the code page lacks are '?'.
  EXPECT_EQ(Utf8ToCodePage("Caf\xE9\xC3", 1252), "Caf\xE9\xC3");
  EXPECT_EQ(Utf8ToCodePage("a\xF0\x9F\x98\x80"
                           "b\xE4\xB8\xAD",
                           1252),
            "a?b?");
}

TEST(WidgetTextTest, CharactersTheCodePageLacksBecomeQuestionMarks) {
  EXPECT_EQ(TableBytes(QStringLiteral("a\u4E2Db")), "a?b");
  EXPECT_EQ(TableBytes(QStringLiteral("\u20AC"), 437), "?");
  EXPECT_EQ(TableBytes(QStringLiteral("\u20AC"), 850), "?");
}

}  // namespace
}  // namespace lw
