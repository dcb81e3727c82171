#include "CodePage.h"

#include <array>

namespace lw {

namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their C1 values so that every
// byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// 0x80..0xFF of code page 437.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

enum class TCharset { Windows1252, Cp437, Latin1 };

TCharset CharsetOf(int codePage) {
  if (codePage == 0 || codePage == 1252) return TCharset::Windows1252;
  if (codePage == 437) return TCharset::Cp437;
  return TCharset::Latin1;
}

char16_t Decode(unsigned char byte, TCharset charset) {
  if (byte < 0x80) return byte;
  switch (charset) {
    case TCharset::Windows1252:
      return byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
    case TCharset::Cp437:
      return kCp437High[byte - 0x80];
    case TCharset::Latin1:
      break;
  }
  return byte;
}

char Encode(char16_t ch, TCharset charset) {
  if (ch < 0x80) return static_cast<char>(ch);
  switch (charset) {
    case TCharset::Windows1252:
      if (ch >= 0xA0 && ch <= 0xFF) return static_cast<char>(ch);
      for (size_t i = 0; i < kCp1252High.size(); ++i)
        if (kCp1252High[i] == ch) return static_cast<char>(0x80 + i);
      return '?';
    case TCharset::Cp437:
      for (size_t i = 0; i < kCp437High.size(); ++i)
        if (kCp437High[i] == ch) return static_cast<char>(0x80 + i);
      return '?';
    case TCharset::Latin1:
      break;
  }
  return ch <= 0xFF ? static_cast<char>(ch) : '?';
}

}  // namespace

char16_t CodePageChar(unsigned char byte, int codePage) {
  return Decode(byte, CharsetOf(codePage));
}

char CodePageByte(char16_t ch, int codePage) {
  return Encode(ch, CharsetOf(codePage));
}

void AppendUtf8(std::string& out, std::string_view bytes, int codePage) {
  const TCharset charset = CharsetOf(codePage);
  for (char c : bytes) {
    const char16_t ch = Decode(static_cast<unsigned char>(c), charset);
    if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else if (ch < 0x800) {
      out += static_cast<char>(0xC0 | (ch >> 6));
      out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (ch >> 12));
      out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (ch & 0x3F));
    }
  }
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  std::string out;
  out.reserve(bytes.size());
  AppendUtf8(out, bytes, codePage);
  return out;
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  const TCharset charset = CharsetOf(codePage);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    char32_t ch = length == 1 ? lead : lead & (0x3F >> (length - 1));
    bool valid = lead < 0x80 || (length > 1 && lead < 0xF5 && i + length <= utf8.size());
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      ch = (ch << 6) | (next & 0x3F);
    }
    if (!valid) {
      out += utf8[i++];
      continue;
    }
    out += ch > 0xFFFF ? '?' : Encode(static_cast<char16_t>(ch), charset);
    i += length;
  }
  return out;
}

}  // namespace lw
