#include "Value.h"

#include <gtest/gtest.h>

#include "DatabaseError.h"

namespace lw {
namespace {

TEST(CalendarTest, DayNumbersMatchTheParadoxNumbering) {
  EXPECT_EQ(DayNumberFromCivil(1, 1, 1), 1);
  EXPECT_EQ(DayNumberFromCivil(2018, 1, 1), 736695);
  EXPECT_EQ(DayNumberFromCivil(1996, 5, 4), 728783);
  EXPECT_EQ(DayNumberFromCivil(100, 1, 1), 36160);
  for (int32_t d : {1, 59, 60, 366, 730120, 736695, 3652059}) {
    int y, m, dd;
    CivilFromDayNumber(d, y, m, dd);
    EXPECT_EQ(DayNumberFromCivil(y, m, dd), d);
  }
  EXPECT_EQ(FormatDate(DayNumberFromCivil(2000, 2, 29)), "2000-02-29");
}

TEST(ValueTextTest, FormsAreLocaleIndependent) {
  EXPECT_EQ(TValue::Float(1234.5).ToString(), "1234.5");
  EXPECT_EQ(TValue::Float(0.1).ToString(), "0.1");
  EXPECT_EQ(TValue::Float(-42.0).ToString(), "-42");
  EXPECT_EQ(TValue::Float(123456789012.25).ToString(), "123456789012.25");
  EXPECT_EQ(TValue::Time(3601000).ToString(), "01:00:01");
  EXPECT_EQ(TValue::Time(3601250).ToString(), "01:00:01.250");
  int64_t ts = int64_t(DayNumberFromCivil(2020, 2, 1)) * 86400000 + 3601000;
  EXPECT_EQ(TValue::DateTime(ts).ToString(), "2020-02-01 01:00:01");
  EXPECT_EQ(TValue::Boolean(true).ToString(), "True");
  EXPECT_EQ(TValue::Null().ToString(), "");
}

TEST(ValueConversionTest, TextIntoTypedFields) {
  EXPECT_EQ(ConvertValue(TValue::String(" 42 "), ftInteger, "N"), TValue::Integer(42));
  EXPECT_EQ(ConvertValue(TValue::String("2.5"), ftFloat, "N"), TValue::Float(2.5));
  EXPECT_EQ(ConvertValue(TValue::String("2020-02-01"), ftDate, "D"),
            TValue::Date(DayNumberFromCivil(2020, 2, 1)));
  EXPECT_EQ(ConvertValue(TValue::String("12:30:00"), ftTime, "T"), TValue::Time(45000000));
  EXPECT_EQ(ConvertValue(TValue::String("T"), ftBoolean, "B"), TValue::Boolean(true));
  // An empty text clears a typed field instead of failing.
  EXPECT_TRUE(ConvertValue(TValue::String(""), ftInteger, "N").IsNull());
  EXPECT_EQ(ConvertValue(TValue::Integer(7), ftString, "S"), TValue::String("7"));
}

TEST(ValueConversionTest, BadValuesRaiseErrorsNamingTheField) {
  try {
    ConvertValue(TValue::String("abc"), ftInteger, "YEAR");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("YEAR"), std::string::npos) << e.what();
  }
  EXPECT_THROW(ConvertValue(TValue::Integer(40000), ftSmallint, "S"), EDatabaseError);
  EXPECT_THROW(ConvertValue(TValue::String("2021-02-30"), ftDate, "D"), EDatabaseError);
  EXPECT_THROW(ConvertValue(TValue::String("maybe"), ftBoolean, "B"), EDatabaseError);
}

}  // namespace
}  // namespace lw
