#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "FieldType.h"

namespace lw {

// A null-able field value. Calendar values use the proleptic Gregorian calendar:
// a date is a day number where 0001-01-01 is day 1 (the Paradox numbering), a time is
// milliseconds since midnight, a date-time is milliseconds since 0001-01-01 00:00 counted
// on that day numbering (day 1 starts at 86'400'000 ms, as Paradox timestamps do).
class TValue {
 public:
  enum class Kind : uint8_t { Null, Integer, Float, Boolean, String, Date, Time, DateTime, Bytes };

  TValue() = default;
  static TValue Null() { return TValue(); }
  static TValue Integer(int64_t v);
  static TValue Float(double v);
  static TValue Boolean(bool v);
  static TValue String(std::string_view v);
  static TValue Bytes(std::string_view v);
  static TValue Date(int32_t dayNumber);
  static TValue Time(int32_t msSinceMidnight);
  static TValue DateTime(int64_t ms);

  // In-place forms of Null() and String() that keep the text's buffer, so that a value
  // filled again and again (a table's edit buffer) allocates nothing once it is large enough.
  void Clear() {
    FKind = Kind::Null;
    FInt = 0;
    FFloat = 0;
    FStr.clear();
  }
  void AssignString(std::string_view v) {
    Clear();
    FKind = Kind::String;
    FStr.assign(v);
  }

  Kind GetKind() const { return FKind; }
  bool IsNull() const { return FKind == Kind::Null; }

  // Raw accessors; the caller checks the kind first.
  int64_t Int() const { return FInt; }
  double Dbl() const { return FFloat; }
  const std::string& Str() const { return FStr; }

  // Conversions with the engine's rules (throw EDatabaseError with `what` in the message
  // when the value cannot be converted).
  std::string ToString() const;  // "" for null; locale-independent forms
  int64_t ToInteger() const;
  double ToFloat() const;
  bool ToBoolean() const;

  bool operator==(const TValue& other) const;

 private:
  Kind FKind = Kind::Null;
  int64_t FInt = 0;
  double FFloat = 0;
  std::string FStr;
};

// Calendar helpers on the day numbering above.
int32_t DayNumberFromCivil(int year, int month, int day);
void CivilFromDayNumber(int32_t dayNumber, int& year, int& month, int& day);

// Text forms: "YYYY-MM-DD", "HH:MM:SS" (with ".mmm" only when milliseconds are not zero),
// "YYYY-MM-DD HH:MM:SS", numbers with "." and the shortest form that reads back exactly.
std::string FormatDate(int32_t dayNumber);
std::string FormatTime(int32_t ms);
std::string FormatDateTime(int64_t ms);
std::string FormatFloat(double v);

// Parse the forms above (and a few common others); return false when the text is not one.
bool ParseDate(std::string_view text, int32_t& dayNumber);
bool ParseTime(std::string_view text, int32_t& ms);
bool ParseDateTime(std::string_view text, int64_t& ms);

// Converts a value to what a field of `type` stores (text to number, number to text, ...).
// Throws EDatabaseError naming `fieldName` when it cannot.
TValue ConvertValue(const TValue& value, TFieldType type, const std::string& fieldName);

// What a field of `type` and `size` keeps of `value`: ConvertValue, and a text cut to `size`
// characters for string fields (size 0: no limit).
TValue StoredFieldValue(const TValue& value, TFieldType type, int size,
                        const std::string& fieldName);

}  // namespace lw
