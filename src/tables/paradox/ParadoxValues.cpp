#include "ParadoxValues.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "DatabaseError.h"

namespace lw::paradox {

namespace {

bool AllZero(const uint8_t* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

[[noreturn]] void FieldError(const std::string& file, const TPxField& f, const std::string& why) {
  ThrowTableError(file, "field \"" + f.Name + "\": " + why);
}

int64_t IntOf(const std::string& file, const TPxField& f, const TValue& v) {
  switch (v.GetKind()) {
    case TValue::Kind::Integer:
    case TValue::Kind::Date:
    case TValue::Kind::Time:
    case TValue::Kind::DateTime:
      return v.Int();
    case TValue::Kind::Float: {
      double d = v.Dbl();
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18) FieldError(file, f, "value out of range");
      return std::llround(d);
    }
    case TValue::Kind::Boolean:
      return v.ToBoolean() ? 1 : 0;
    default:
      return v.ToInteger();
  }
}

double FloatOf(const TValue& v) {
  switch (v.GetKind()) {
    case TValue::Kind::Float:
      return v.Dbl();
    case TValue::Kind::Integer:
    case TValue::Kind::Date:
    case TValue::Kind::Time:
    case TValue::Kind::DateTime:
      return static_cast<double>(v.Int());
    default:
      return v.ToFloat();
  }
}

void CheckRange(const std::string& file, const TPxField& f, int64_t v, int64_t lo, int64_t hi) {
  if (v < lo || v > hi)
    FieldError(file, f,
               "value " + std::to_string(v) + " out of range (" + std::to_string(lo) + " to " +
                   std::to_string(hi) + ")");
}

double DecodeBcd(const std::string& file, const TPxField& f, const uint8_t* p) {
  const bool negative = !(p[0] & 0x80);
  const int scale = p[0] & 0x3F;
  if (scale > 32) FieldError(file, f, "damaged BCD value");
  char text[40];
  int n = 0;
  if (negative) text[n++] = '-';
  for (int i = 0; i < 32; ++i) {
    if (i == 32 - scale) text[n++] = '.';
    uint8_t b = p[1 + i / 2];
    uint8_t digit = (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
    if (negative) digit ^= 0x0F;
    // Values converted from binary floating point carry noise nibbles above 9 far past the
    // significant digits (seen in real files); they cannot change the double.
    if (digit > 9) digit = 9;
    text[n++] = static_cast<char>('0' + digit);
  }
  double d = 0;
  std::from_chars(text, text + n, d);
  return d;
}

void EncodeBcd(const std::string& file, const TPxField& f, double v, uint8_t* p) {
  if (!std::isfinite(v)) FieldError(file, f, "not a finite number");
  const int scale = f.SizeByte;
  char text[400];
  auto res = std::to_chars(text, text + sizeof text, std::fabs(v), std::chars_format::fixed, scale);
  if (res.ec != std::errc()) FieldError(file, f, "value out of range");
  const char* end = res.ptr;
  const char* dot = static_cast<const char*>(std::memchr(text, '.', end - text));
  const char* intEnd = dot ? dot : end;
  // Leading zeros of the integer part do not count against the 32 digits.
  const char* intBegin = text;
  while (intBegin < intEnd - 1 && *intBegin == '0') ++intBegin;
  const int intDigits = static_cast<int>(intEnd - intBegin);
  if (intDigits > 32 - scale && !(intDigits == 1 && *intBegin == '0'))
    FieldError(file, f,
               "value too large for a BCD field with " + std::to_string(scale) + " decimals");
  uint8_t digits[32] = {};
  int pos = 32 - scale - 1;
  for (const char* c = intEnd - 1; c >= intBegin && pos >= 0; --c) digits[pos--] = *c - '0';
  if (dot)
    for (int i = 0; i < scale && dot + 1 + i < end; ++i) digits[32 - scale + i] = dot[1 + i] - '0';
  bool zero = true;
  for (uint8_t d : digits) zero = zero && d == 0;
  const bool negative = v < 0 && !zero;
  p[0] = static_cast<uint8_t>((negative ? 0x00 : 0x80) | 0x40 | scale);
  for (int i = 0; i < 16; ++i) {
    uint8_t b = static_cast<uint8_t>((digits[2 * i] << 4) | digits[2 * i + 1]);
    p[1 + i] = negative ? static_cast<uint8_t>(~b) : b;
  }
}

}  // namespace

void PutIntLike(uint8_t* p, int width, int64_t v) {
  uint64_t u = static_cast<uint64_t>(v);
  for (int i = width - 1; i >= 0; --i) {
    p[i] = u & 0xFF;
    u >>= 8;
  }
  p[0] ^= 0x80;
}

int64_t GetIntLike(const uint8_t* p, int width) {
  uint64_t u = 0;
  for (int i = 0; i < width; ++i) u = (u << 8) | p[i];
  const int bits = 8 * width;
  u ^= uint64_t{1} << (bits - 1);
  if (bits < 64 && (u >> (bits - 1)) & 1) u |= ~uint64_t{0} << bits;  // sign-extend
  return static_cast<int64_t>(u);
}

void PutDoubleLike(uint8_t* p, double v) {
  if (v == 0) v = 0;  // no negative zero: it would sort below positive numbers
  uint64_t u = std::bit_cast<uint64_t>(v);
  u = (u >> 63) ? ~u : (u | (uint64_t{1} << 63));
  for (int i = 7; i >= 0; --i) {
    p[i] = u & 0xFF;
    u >>= 8;
  }
}

double GetDoubleLike(const uint8_t* p) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u = (u << 8) | p[i];
  u = (u >> 63) ? (u & ~(uint64_t{1} << 63)) : ~u;
  return std::bit_cast<double>(u);
}

bool IsBlankField(const TPxField& f, const uint8_t* p) {
  switch (f.Type) {
    case pxAlpha:
    case pxLogical:
    case pxBcd:
      return p[0] == 0;
    default:
      return AllZero(p, f.Width);
  }
}

TValue DecodeScalar(const std::string& file, const TPxField& f, const uint8_t* p) {
  switch (f.Type) {
    case pxAlpha: {
      const void* nul = std::memchr(p, 0, f.Width);
      size_t n = nul ? static_cast<const uint8_t*>(nul) - p : f.Width;
      return TValue::String(std::string_view(reinterpret_cast<const char*>(p), n));
    }
    case pxDate:
      return TValue::Date(static_cast<int32_t>(GetIntLike(p, 4)));
    case pxShort:
    case pxLong:
    case pxAutoInc:
      return TValue::Integer(GetIntLike(p, f.Width));
    case pxTime:
      return TValue::Time(static_cast<int32_t>(GetIntLike(p, 4)));
    case pxCurrency:
    case pxNumber:
      return TValue::Float(GetDoubleLike(p));
    case pxTimestamp: {
      double ms = GetDoubleLike(p);
      if (!std::isfinite(ms) || std::fabs(ms) > 9.2e18) FieldError(file, f, "damaged timestamp");
      return TValue::DateTime(std::llround(ms));
    }
    case pxLogical:
      return TValue::Boolean((p[0] & 0x80) ? (p[0] & 0x7F) != 0 : true);
    case pxBcd:
      return TValue::Float(DecodeBcd(file, f, p));
    case pxBytes:
      return TValue::Bytes(std::string_view(reinterpret_cast<const char*>(p), f.Width));
    default:
      FieldError(file, f, "not a scalar field");
  }
}

void EncodeScalar(const std::string& file, const TPxField& f, const TValue& v, uint8_t* p) {
  const bool text = v.GetKind() == TValue::Kind::String || v.GetKind() == TValue::Kind::Bytes;
  if (text && (f.Type == pxAlpha || f.Type == pxBytes)) {
    // Most fields of most records: each byte written once, the padding after the text.
    const std::string& s = v.Str();
    const size_t n = std::min<size_t>(s.size(), f.Width);
    std::memcpy(p, s.data(), n);
    std::memset(p + n, 0, f.Width - n);
    return;
  }
  std::memset(p, 0, f.Width);
  if (v.IsNull()) return;
  switch (f.Type) {
    case pxAlpha:
    case pxBytes: {
      if (v.GetKind() == TValue::Kind::String || v.GetKind() == TValue::Kind::Bytes) {
        const std::string& s = v.Str();
        std::memcpy(p, s.data(), std::min<size_t>(s.size(), f.Width));
      } else {
        const std::string s = v.ToString();
        std::memcpy(p, s.data(), std::min<size_t>(s.size(), f.Width));
      }
      return;
    }
    case pxShort: {
      int64_t i = IntOf(file, f, v);
      CheckRange(file, f, i, -32767, 32767);
      PutIntLike(p, 2, i);
      return;
    }
    case pxLong:
    case pxAutoInc:
    case pxDate: {
      int64_t i = IntOf(file, f, v);
      CheckRange(file, f, i, -2147483647LL, 2147483647LL);
      PutIntLike(p, 4, i);
      return;
    }
    case pxTime: {
      int64_t i = IntOf(file, f, v);
      CheckRange(file, f, i, 0, 86399999);
      PutIntLike(p, 4, i);
      return;
    }
    case pxCurrency:
    case pxNumber: {
      double d = FloatOf(v);
      if (!std::isfinite(d)) FieldError(file, f, "not a finite number");
      PutDoubleLike(p, d);
      return;
    }
    case pxTimestamp:
      PutDoubleLike(p, static_cast<double>(IntOf(file, f, v)));
      return;
    case pxLogical:
      p[0] = static_cast<uint8_t>(0x80 | (v.ToBoolean() ? 1 : 0));
      return;
    case pxBcd:
      EncodeBcd(file, f, FloatOf(v), p);
      return;
    default:
      FieldError(file, f, "not a scalar field");
  }
}

}  // namespace lw::paradox
