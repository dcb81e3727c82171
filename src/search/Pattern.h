#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace lw {

// One criterion text ready for testing: a trailing '*' turns it into "begins with" the rest,
// anything else must equal the field text. Comparison is byte for byte (case and blanks
// matter, nothing is trimmed); a '*' anywhere but at the end is an ordinary character.
class TPattern {
 public:
  TPattern() = default;
  // `criterion` must not be empty: an empty text has no last character to look at.
  explicit TPattern(std::string_view criterion);

  bool Matches(std::string_view field) const {
    if (!FPrefix) return field == FText;
    const size_t n = FText.size();
    if (field.size() < n) return false;
    // Short prefixes (zip and SIC codes) are tested with two loads that may overlap, each
    // within the first n bytes of the field.
    const char* p = field.data();
    if (n >= 4 && n <= 8) return Load<uint32_t>(p) == FHead && Load<uint32_t>(p + n - 4) == FTail;
    if (n >= 2 && n < 4) return Load<uint16_t>(p) == FHead && Load<uint16_t>(p + n - 2) == FTail;
    if (n == 1) return p[0] == FText[0];
    return n == 0 || std::memcmp(p, FText.data(), n) == 0;
  }
  const std::string& Text() const { return FText; }
  bool Prefix() const { return FPrefix; }

 private:
  template <class T>
  static uint32_t Load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }

  std::string FText;
  bool FPrefix = false;
  uint32_t FHead = 0, FTail = 0;  // a short prefix's first and last two or four bytes
};

// The pattern test on a criterion text as the user typed it. Throws std::out_of_range for an
// empty criterion.
bool PatternMatches(std::string_view criterion, std::string_view field);

}  // namespace lw
