#include "DbaseValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "DatabaseError.h"

namespace lw::dbase {

namespace {

constexpr int64_t kMsPerDay = 86'400'000;
// Julian day number of 0001-01-01 minus one: day numbers count 0001-01-01 as day 1.
constexpr int64_t kJulianDayOffset = 1'721'425;

[[noreturn]] void Bad(const TDbaseField& f, const std::string& what, std::string_view raw) {
  std::string shown;
  for (char c : raw) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      shown += '?';
    else
      shown += c;
  }
  throw EDatabaseError("field '" + f.Name + "': " + what + " \"" + shown + "\"");
}

bool IsPad(char c) {
  return c == ' ' || c == '\0';
}

std::string_view TrimPad(std::string_view s) {
  while (!s.empty() && IsPad(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsPad(s.back())) s.remove_suffix(1);
  return s;
}

// Blank, `*`-filled (the dBase overflow and shapelib null form) or digit-free text.
bool NumberIsBlank(std::string_view s) {
  s = TrimPad(s);
  for (char c : s)
    if (c >= '0' && c <= '9') return false;
  return true;
}

bool ParseNumber(std::string_view raw, double& out) {
  std::string_view s = TrimPad(raw);
  char buf[40];
  if (s.size() >= sizeof buf) return false;
  size_t n = 0;
  for (char c : s) buf[n++] = c == ',' ? '.' : c;
  const char* b = buf;
  const char* e = buf + n;
  if (b != e && *b == '+') ++b;
  auto [p, ec] = std::from_chars(b, e, out);
  return ec == std::errc() && p == e && std::isfinite(out);
}

bool ParseWhole(std::string_view raw, int64_t& out) {
  std::string_view s = TrimPad(raw);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (!s.empty() && s.back() == '.') s.remove_suffix(1);
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return !s.empty() && ec == std::errc() && p == s.data() + s.size();
}

bool DateIsBlank(std::string_view s) {
  for (char c : s)
    if (!IsPad(c) && c != '0') return false;
  return true;
}

int32_t ParseDate(const TDbaseField& f, std::string_view raw) {
  std::string_view s = TrimPad(raw);
  if (s.size() != 8) Bad(f, "invalid date", raw);
  int v[3] = {0, 0, 0};
  const int len[3] = {4, 2, 2};
  size_t pos = 0;
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < len[k]; ++i, ++pos) {
      if (s[pos] < '0' || s[pos] > '9') Bad(f, "invalid date", raw);
      v[k] = v[k] * 10 + (s[pos] - '0');
    }
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (v[0] < 1 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > kDays[v[1] - 1])
    Bad(f, "invalid date", raw);
  const bool leap = (v[0] % 4 == 0 && v[0] % 100 != 0) || v[0] % 400 == 0;
  if (v[1] == 2 && v[2] == 29 && !leap) Bad(f, "invalid date", raw);
  return DayNumberFromCivil(v[0], v[1], v[2]);
}

int64_t GetI64LE(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return static_cast<int64_t>(v);
}

double GetDoubleLE(const uint8_t* p) {
  uint64_t v = static_cast<uint64_t>(GetI64LE(p));
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

// dBase 7 stores numbers so that they sort as unsigned big-endian bytes: the sign bit is
// flipped for positive values and every bit is flipped for negative ones.
double GetSortableDouble(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
  v = (v & 0x8000000000000000ULL) ? v & 0x7FFFFFFFFFFFFFFFULL : ~v;
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

}  // namespace

bool NullFlagSet(const TDbaseHeader& h, int bit, const uint8_t* rec) {
  if (bit < 0 || h.NullFlagsOffset < 0) return false;
  return (rec[h.NullFlagsOffset + bit / 8] >> (bit % 8)) & 1;
}

std::string_view FieldText(const TDbaseHeader& h, const TDbaseField& f, const uint8_t* rec) {
  std::string_view s = RawField(f, rec);
  if (NullFlagSet(h, f.NullBit, rec)) return {};
  if (f.LengthBit >= 0 && NullFlagSet(h, f.LengthBit, rec) && f.Width > 0) {
    size_t len = rec[f.Offset + f.Width - 1];
    if (len > s.size() - 1) len = s.size() - 1;
    s = s.substr(0, len);
  }
  while (!s.empty() && IsPad(s.back())) s.remove_suffix(1);
  return s;
}

uint64_t MemoBlock(const TDbaseField& f, const uint8_t* rec) {
  if (f.BinaryMemoPointer) return GetU32LE(rec + f.Offset);
  std::string_view s = TrimPad(RawField(f, rec));
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') Bad(f, "invalid memo block number", RawField(f, rec));
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  return v;
}

bool FieldIsNull(const TDbaseHeader& h, const TDbaseField& f, const uint8_t* rec) {
  if (NullFlagSet(h, f.NullBit, rec)) return true;
  std::string_view raw = RawField(f, rec);
  switch (f.Letter) {
    case 'C':
    case 'V':
      return FieldText(h, f, rec).empty();
    case 'N':
    case 'F':
      return NumberIsBlank(raw);
    case 'D':
      return DateIsBlank(raw);
    case 'L':
      return raw.empty() || raw[0] == '?' || IsPad(raw[0]);
    case 'I':
    case '+':
    case 'Y':
    case 'O':
      return false;
    case 'B':
      if (h.VisualFoxPro) return false;
      return MemoBlock(f, rec) == 0;
    case 'T':
    case '@':
      // Empty date-times are zero or blank.
      return TrimPad(raw).empty() ||
             (GetU32LE(rec + f.Offset) == 0 && GetU32LE(rec + f.Offset + 4) == 0);
    case 'M':
    case 'G':
    case 'P':
    case 'W':
      return MemoBlock(f, rec) == 0;
    default:
      return false;
  }
}

TValue DecodeField(const TDbaseHeader& h, const TDbaseField& f, const uint8_t* rec) {
  if (FieldIsNull(h, f, rec)) return TValue::Null();
  std::string_view raw = RawField(f, rec);
  const uint8_t* p = rec + f.Offset;
  switch (f.Letter) {
    case 'C':
    case 'V':
      return TValue::String(FieldText(h, f, rec));
    case 'N':
    case 'F': {
      if (f.Type == ftSmallint || f.Type == ftInteger) {
        int64_t v;
        if (ParseWhole(raw, v)) return TValue::Integer(v);
        double d;
        if (ParseNumber(raw, d) && d == std::trunc(d) && std::fabs(d) < 1e15)
          return TValue::Integer(static_cast<int64_t>(d));
        Bad(f, "invalid number", raw);
      }
      // Whole numbers too wide for the integer kinds keep every digit as integers.
      int64_t whole;
      if (f.Decimals == 0 && ParseWhole(raw, whole)) return TValue::Integer(whole);
      double d;
      if (!ParseNumber(raw, d)) Bad(f, "invalid number", raw);
      return TValue::Float(d);
    }
    case 'L':
      switch (raw[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          return TValue::Boolean(true);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return TValue::Boolean(false);
        default:
          Bad(f, "invalid logical value", raw);
      }
    case 'D':
      return TValue::Date(ParseDate(f, raw));
    case 'I':
      return TValue::Integer(static_cast<int32_t>(GetU32LE(p)));
    case '+':
      return TValue::Integer(static_cast<int32_t>(GetU32BE(p) ^ 0x80000000u));
    case 'Y':
      return TValue::Float(static_cast<double>(GetI64LE(p)) / 10000.0);
    case 'B': {
      double d = GetDoubleLE(p);
      if (!std::isfinite(d)) Bad(f, "invalid number", raw);
      return TValue::Float(d);
    }
    case 'O': {
      double d = GetSortableDouble(p);
      if (!std::isfinite(d)) Bad(f, "invalid number", raw);
      return TValue::Float(d);
    }
    case 'T':
    case '@': {
      const int64_t julian = static_cast<int32_t>(GetU32LE(p));
      const int64_t ms = static_cast<int32_t>(GetU32LE(p + 4));
      const int64_t day = julian - kJulianDayOffset;
      if (day < 1 || day > 3'652'059 || ms < 0 || ms >= kMsPerDay) Bad(f, "invalid date-time", raw);
      // The writing program shows whole seconds, rounded: its 08:30:00 is often stored as
      // 30599999 ms, which must not read as 08:29:59.
      return TValue::DateTime((day * kMsPerDay + ms + 500) / 1000 * 1000);
    }
    case 'Q': {
      std::string_view s = raw;
      if (f.LengthBit >= 0 && NullFlagSet(h, f.LengthBit, rec) && f.Width > 0) {
        size_t len = p[f.Width - 1];
        s = s.substr(0, len < s.size() ? len : s.size() - 1);
      }
      return TValue::Bytes(s);
    }
    default:
      return TValue::Bytes(raw);
  }
}

bool FormatNumber(const TValue& value, int width, int decimals, std::string& out) {
  char buf[400];
  int n;
  if (value.GetKind() == TValue::Kind::Integer) {
    if (decimals > 0)
      n = std::snprintf(buf, sizeof buf, "%lld.%0*d", static_cast<long long>(value.Int()), decimals,
                        0);
    else
      n = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value.Int()));
  } else {
    double d = value.ToFloat();
    if (!std::isfinite(d) || std::fabs(d) >= 1e300) return false;
    n = std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
    // "-0.00" reads back as 0 anyway; store the plain form.
    if (n > 0 && buf[0] == '-') {
      bool zero = true;
      for (int i = 1; i < n; ++i)
        if (buf[i] >= '1' && buf[i] <= '9') zero = false;
      if (zero) {
        std::memmove(buf, buf + 1, static_cast<size_t>(n));
        --n;
      }
    }
  }
  if (n <= 0 || n > width) return false;
  out.assign(static_cast<size_t>(width - n), ' ');
  out.append(buf, static_cast<size_t>(n));
  return true;
}

void EncodeField(const TDbaseField& f, const TValue& value, uint8_t* rec) {
  uint8_t* p = rec + f.Offset;
  const size_t w = static_cast<size_t>(f.Width);
  std::memset(p, ' ', w);
  switch (f.Letter) {
    case 'C': {
      if (value.IsNull()) return;
      const std::string text =
          value.GetKind() == TValue::Kind::String || value.GetKind() == TValue::Kind::Bytes
              ? value.Str()
              : value.ToString();
      std::memcpy(p, text.data(), text.size() < w ? text.size() : w);
      return;
    }
    case 'N':
    case 'F': {
      if (value.IsNull()) return;
      std::string text;
      if (!FormatNumber(value, f.Width, f.Decimals, text))
        throw EDatabaseError("field '" + f.Name + "': " + value.ToString() +
                             " does not fit a number of width " + std::to_string(f.Width) +
                             " with " + std::to_string(f.Decimals) + " decimals");
      std::memcpy(p, text.data(), w);
      return;
    }
    case 'L':
      p[0] = value.IsNull() ? '?' : (value.ToBoolean() ? 'T' : 'F');
      return;
    case 'D': {
      if (value.IsNull()) return;
      int32_t day = value.GetKind() == TValue::Kind::DateTime
                        ? static_cast<int32_t>(value.Int() / kMsPerDay)
                        : static_cast<int32_t>(value.Int());
      int y, m, d;
      CivilFromDayNumber(day, y, m, d);
      if (y < 1 || y > 9999)
        throw EDatabaseError("field '" + f.Name + "': date " + value.ToString() +
                             " is outside the years 1 to 9999");
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
      std::memcpy(p, buf, 8);
      return;
    }
    default:
      throw EDatabaseError("field '" + f.Name + "': fields of type '" + std::string(1, f.Letter) +
                           "' cannot be written");
  }
}

void FormatMemoPointer(const TDbaseField& f, uint64_t block, uint8_t* rec) {
  uint8_t* p = rec + f.Offset;
  std::memset(p, ' ', static_cast<size_t>(f.Width));
  if (block == 0) return;
  char buf[32];
  int n = std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(block));
  if (n > f.Width)
    throw EDatabaseError("field '" + f.Name + "': memo block number " + buf + " does not fit");
  std::memcpy(p + f.Width - n, buf, static_cast<size_t>(n));
}

}  // namespace lw::dbase
