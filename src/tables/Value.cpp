#include "Value.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "DatabaseError.h"

namespace lw {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// Day number of 1970-01-01 when 0001-01-01 is day 1.
constexpr int64_t kUnixEpochDay = 719'163;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

bool ParseInt(std::string_view s, int64_t& out) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size();
}

bool ParseDouble(std::string_view s, double& out) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && std::isfinite(out);
}

// Reads up to `maxDigits` digits as a number; advances `s`.
bool TakeNumber(std::string_view& s, int minDigits, int maxDigits, int& out) {
  int n = 0;
  int v = 0;
  while (n < maxDigits && n < static_cast<int>(s.size()) && s[n] >= '0' && s[n] <= '9') {
    v = v * 10 + (s[n] - '0');
    ++n;
  }
  if (n < minDigits) return false;
  s.remove_prefix(n);
  out = v;
  return true;
}

bool TakeChar(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

bool ParseDatePart(std::string_view& s, int32_t& dayNumber) {
  int y, m, d;
  std::string_view t = s;
  // ISO form YYYY-MM-DD, and the US form MM/DD/YYYY found in older exports.
  if (TakeNumber(t, 4, 4, y) && TakeChar(t, '-') && TakeNumber(t, 1, 2, m) && TakeChar(t, '-') &&
      TakeNumber(t, 1, 2, d)) {
  } else {
    t = s;
    if (!(TakeNumber(t, 1, 2, m) && TakeChar(t, '/') && TakeNumber(t, 1, 2, d) &&
          TakeChar(t, '/') && TakeNumber(t, 4, 4, y)))
      return false;
  }
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  dayNumber = DayNumberFromCivil(y, m, d);
  s = t;
  return true;
}

bool ParseTimePart(std::string_view& s, int32_t& ms) {
  int h, mi, sec = 0, milli = 0;
  std::string_view t = s;
  if (!(TakeNumber(t, 1, 2, h) && TakeChar(t, ':') && TakeNumber(t, 2, 2, mi))) return false;
  if (TakeChar(t, ':')) {
    if (!TakeNumber(t, 2, 2, sec)) return false;
    if (TakeChar(t, '.')) {
      std::string_view before = t;
      if (!TakeNumber(t, 1, 3, milli)) return false;
      for (size_t n = before.size() - t.size(); n < 3; ++n) milli *= 10;
    }
  }
  if (h > 23 || mi > 59 || sec > 59) return false;
  ms = ((h * 60 + mi) * 60 + sec) * 1000 + milli;
  s = t;
  return true;
}

[[noreturn]] void ConversionError(const std::string& fieldName, const std::string& text,
                                  const char* what) {
  throw EDatabaseError("'" + text + "' is not a valid " + what +
                       (fieldName.empty() ? std::string() : " for field '" + fieldName + "'"));
}

}  // namespace

int32_t DayNumberFromCivil(int year, int month, int day) {
  return static_cast<int32_t>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kUnixEpochDay);
}

void CivilFromDayNumber(int32_t dayNumber, int& year, int& month, int& day) {
  int64_t y;
  unsigned m, d;
  CivilFromDays(static_cast<int64_t>(dayNumber) - kUnixEpochDay, y, m, d);
  year = static_cast<int>(y);
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

std::string FormatDate(int32_t dayNumber) {
  int y, m, d;
  CivilFromDayNumber(dayNumber, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string FormatTime(int32_t ms) {
  if (ms < 0) ms = 0;
  int milli = ms % 1000;
  int s = ms / 1000;
  char buf[32];
  if (milli)
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", s / 3600, s / 60 % 60, s % 60, milli);
  else
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

std::string FormatDateTime(int64_t ms) {
  int64_t day = ms / kMsPerDay;
  int64_t rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --day;
  }
  return FormatDate(static_cast<int32_t>(day)) + " " + FormatTime(static_cast<int32_t>(rest));
}

std::string FormatFloat(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  char buf[64];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return "0";
  std::string s(buf, p);
  // to_chars picks scientific form for large magnitudes; plain digits read better up to 1e15.
  if (s.find('e') != std::string::npos && std::fabs(v) < 1e15 && std::fabs(v) >= 1e-5) {
    for (int prec = 1; prec <= 17; ++prec) {
      std::snprintf(buf, sizeof buf, "%.*f", prec, v);
      if (std::strtod(buf, nullptr) == v) {
        s = buf;
        break;
      }
    }
  }
  return s;
}

bool ParseDate(std::string_view text, int32_t& dayNumber) {
  std::string_view s = Trim(text);
  return ParseDatePart(s, dayNumber) && s.empty();
}

bool ParseTime(std::string_view text, int32_t& ms) {
  std::string_view s = Trim(text);
  return ParseTimePart(s, ms) && s.empty();
}

bool ParseDateTime(std::string_view text, int64_t& ms) {
  std::string_view s = Trim(text);
  int32_t day;
  if (!ParseDatePart(s, day)) return false;
  int32_t t = 0;
  if (!s.empty()) {
    if (!(TakeChar(s, ' ') || TakeChar(s, 'T'))) return false;
    if (!ParseTimePart(s, t) || !s.empty()) return false;
  }
  ms = static_cast<int64_t>(day) * kMsPerDay + t;
  return true;
}

TValue TValue::Integer(int64_t v) {
  TValue r;
  r.FKind = Kind::Integer;
  r.FInt = v;
  return r;
}
TValue TValue::Float(double v) {
  TValue r;
  r.FKind = Kind::Float;
  r.FFloat = v;
  return r;
}
TValue TValue::Boolean(bool v) {
  TValue r;
  r.FKind = Kind::Boolean;
  r.FInt = v ? 1 : 0;
  return r;
}
TValue TValue::String(std::string_view v) {
  TValue r;
  r.FKind = Kind::String;
  r.FStr.assign(v);
  return r;
}
TValue TValue::Bytes(std::string_view v) {
  TValue r;
  r.FKind = Kind::Bytes;
  r.FStr.assign(v);
  return r;
}
TValue TValue::Date(int32_t dayNumber) {
  TValue r;
  r.FKind = Kind::Date;
  r.FInt = dayNumber;
  return r;
}
TValue TValue::Time(int32_t ms) {
  TValue r;
  r.FKind = Kind::Time;
  r.FInt = ms;
  return r;
}
TValue TValue::DateTime(int64_t ms) {
  TValue r;
  r.FKind = Kind::DateTime;
  r.FInt = ms;
  return r;
}

std::string TValue::ToString() const {
  switch (FKind) {
    case Kind::Null:
      return {};
    case Kind::Integer:
      return std::to_string(FInt);
    case Kind::Float:
      return FormatFloat(FFloat);
    case Kind::Boolean:
      return FInt ? "True" : "False";
    case Kind::String:
    case Kind::Bytes:
      return FStr;
    case Kind::Date:
      return FormatDate(static_cast<int32_t>(FInt));
    case Kind::Time:
      return FormatTime(static_cast<int32_t>(FInt));
    case Kind::DateTime:
      return FormatDateTime(FInt);
  }
  return {};
}

int64_t TValue::ToInteger() const {
  switch (FKind) {
    case Kind::Null:
      return 0;
    case Kind::Integer:
    case Kind::Boolean:
    case Kind::Date:
    case Kind::Time:
    case Kind::DateTime:
      return FInt;
    case Kind::Float:
      if (!std::isfinite(FFloat) || std::fabs(FFloat) > 9.2e18)
        throw EDatabaseError("'" + FormatFloat(FFloat) + "' is out of the integer range");
      return static_cast<int64_t>(std::llround(FFloat));
    case Kind::String:
    case Kind::Bytes: {
      int64_t v;
      if (ParseInt(FStr, v)) return v;
      double d;
      if (ParseDouble(FStr, d) && std::fabs(d) < 9.2e18)
        return static_cast<int64_t>(std::llround(d));
      ConversionError("", FStr, "integer value");
    }
  }
  return 0;
}

double TValue::ToFloat() const {
  switch (FKind) {
    case Kind::Null:
      return 0;
    case Kind::Float:
      return FFloat;
    case Kind::String:
    case Kind::Bytes: {
      double d;
      if (ParseDouble(FStr, d)) return d;
      ConversionError("", FStr, "floating point value");
    }
    default:
      return static_cast<double>(FInt);
  }
}

bool TValue::ToBoolean() const {
  switch (FKind) {
    case Kind::Null:
      return false;
    case Kind::Float:
      return FFloat != 0;
    case Kind::String:
    case Kind::Bytes: {
      std::string_view s = Trim(FStr);
      if (s.empty()) return false;
      char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s.front())));
      if (s.size() == 1 || s == "True" || s == "TRUE" || s == "true" || s == "False" ||
          s == "FALSE" || s == "false" || s == "Yes" || s == "No") {
        if (c == 'T' || c == 'Y' || c == '1') return true;
        if (c == 'F' || c == 'N' || c == '0') return false;
      }
      ConversionError("", FStr, "boolean value");
    }
    default:
      return FInt != 0;
  }
}

bool TValue::operator==(const TValue& o) const {
  if (FKind != o.FKind) return false;
  switch (FKind) {
    case Kind::Null:
      return true;
    case Kind::Float:
      return FFloat == o.FFloat || (std::isnan(FFloat) && std::isnan(o.FFloat));
    case Kind::String:
    case Kind::Bytes:
      return FStr == o.FStr;
    default:
      return FInt == o.FInt;
  }
}

TValue ConvertValue(const TValue& value, TFieldType type, const std::string& fieldName) {
  using K = TValue::Kind;
  if (value.IsNull()) return value;
  const bool isText = value.GetKind() == K::String || value.GetKind() == K::Bytes;
  // An empty text stored into a field of another kind clears it.
  if (isText && type != ftString && !IsBlobType(type) && type != ftBytes && type != ftVarBytes &&
      Trim(value.Str()).empty())
    return TValue::Null();
  try {
    switch (type) {
      case ftString:
        return value.GetKind() == K::String ? value : TValue::String(value.ToString());
      case ftMemo:
      case ftFmtMemo:
        return value.GetKind() == K::String ? value : TValue::String(value.ToString());
      case ftBlob:
      case ftGraphic:
      case ftParadoxOle:
      case ftDBaseOle:
      case ftTypedBinary:
      case ftBytes:
      case ftVarBytes:
        return value.GetKind() == K::Bytes ? value : TValue::Bytes(value.ToString());
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftAutoInc: {
        int64_t v = value.ToInteger();
        int64_t lo = type == ftSmallint ? -32767 : type == ftWord ? 0 : -2147483647;
        int64_t hi = type == ftSmallint ? 32767 : type == ftWord ? 65535 : 2147483647;
        if (v < lo || v > hi)
          throw EDatabaseError(std::to_string(v) + " is out of range for field '" + fieldName +
                               "'");
        return TValue::Integer(v);
      }
      case ftBoolean:
        return TValue::Boolean(value.ToBoolean());
      case ftFloat:
      case ftCurrency:
      case ftBCD:
        return TValue::Float(value.ToFloat());
      case ftDate:
        if (value.GetKind() == K::Date) return value;
        if (value.GetKind() == K::DateTime) {
          int64_t ms = value.Int();
          return TValue::Date(
              static_cast<int32_t>((ms - (ms % kMsPerDay + kMsPerDay) % kMsPerDay) / kMsPerDay));
        }
        if (isText) {
          int32_t d;
          int64_t ms;
          if (ParseDate(value.Str(), d)) return TValue::Date(d);
          if (ParseDateTime(value.Str(), ms))
            return TValue::Date(static_cast<int32_t>(ms / kMsPerDay));
          ConversionError(fieldName, value.Str(), "date");
        }
        return TValue::Date(static_cast<int32_t>(value.ToInteger()));
      case ftTime:
        if (value.GetKind() == K::Time) return value;
        if (value.GetKind() == K::DateTime)
          return TValue::Time(
              static_cast<int32_t>((value.Int() % kMsPerDay + kMsPerDay) % kMsPerDay));
        if (isText) {
          int32_t t;
          if (ParseTime(value.Str(), t)) return TValue::Time(t);
          ConversionError(fieldName, value.Str(), "time");
        }
        return TValue::Time(static_cast<int32_t>(value.ToInteger()));
      case ftDateTime:
        if (value.GetKind() == K::DateTime) return value;
        if (value.GetKind() == K::Date) return TValue::DateTime(value.Int() * kMsPerDay);
        if (value.GetKind() == K::Time) return TValue::DateTime(value.Int());
        if (isText) {
          int64_t ms;
          if (ParseDateTime(value.Str(), ms)) return TValue::DateTime(ms);
          ConversionError(fieldName, value.Str(), "date and time");
        }
        return TValue::DateTime(value.ToInteger());
      case ftUnknown:
        return value;
    }
  } catch (const EDatabaseError& e) {
    std::string msg = e.what();
    if (!fieldName.empty() && msg.find(fieldName) == std::string::npos)
      msg += " for field '" + fieldName + "'";
    throw EDatabaseError(msg);
  }
  return value;
}

TValue StoredFieldValue(const TValue& value, TFieldType type, int size,
                        const std::string& fieldName) {
  TValue v = ConvertValue(value, type, fieldName);
  if (type == ftString && size > 0 && !v.IsNull() && v.Str().size() > static_cast<size_t>(size))
    v = TValue::String(std::string_view(v.Str()).substr(0, static_cast<size_t>(size)));
  return v;
}

}  // namespace lw
