#pragma once

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
    if (FPrefix) {
      return field.size() >= FText.size() &&
             (FText.empty() || std::memcmp(field.data(), FText.data(), FText.size()) == 0);
    }
    return field == FText;
  }
  const std::string& Text() const { return FText; }
  bool Prefix() const { return FPrefix; }

 private:
  std::string FText;
  bool FPrefix = false;
};

// The pattern test on a criterion text as the user typed it. Throws std::out_of_range for an
// empty criterion.
bool PatternMatches(std::string_view criterion, std::string_view field);

}  // namespace lw
