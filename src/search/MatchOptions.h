#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// How the typed criteria (company, city, zip codes, SIC codes, SIC description) compare with
// the stored fields. Both off is the program's classic rule: byte for byte, only a trailing
// '*' special. The list criteria (states, employees, sales) never change.
struct TMatchOptions {
  // Letters compare without regard to case: ASCII and the letters of the table's code page.
  bool IgnoreCase = false;
  // '*' stands for any run of characters wherever it is in an item.
  bool Wildcards = false;
  bool Any() const { return IgnoreCase || Wildcards; }
  bool operator==(const TMatchOptions&) const = default;
};

// A byte-to-byte map that takes every letter of a code page to one form of it (its lower
// case where the code page has one), so that two texts equal without regard to case map to
// the same bytes. The identity map when case matters.
class TCaseFold {
 public:
  TCaseFold();  // identity
  bool Identity() const { return FIdentity; }
  // The fold of `codePage` (0 for the default code page, others as CodePageChar knows them).
  static TCaseFold ForCodePage(int codePage);
  unsigned char operator()(char c) const { return FMap[static_cast<unsigned char>(c)]; }
  std::string Apply(std::string_view text) const;

 private:
  std::array<unsigned char, 256> FMap;
  bool FIdentity = true;
};

// One criterion text or comma-list item under match options. The pattern is its text cut at
// every '*' (with wildcards) or at a trailing '*' only (without): the field must begin with
// the first piece, end with the last, and hold the pieces between in order; a text without
// '*' must equal the whole field. Blanks around the text are ignored when an option is on;
// with both off the test is TPattern's.
class TOptionPattern {
 public:
  TOptionPattern() = default;
  TOptionPattern(std::string_view criterion, const TMatchOptions& options, const TCaseFold& fold);

  bool Matches(std::string_view field) const;

 private:
  bool EqualAt(std::string_view field, size_t at, std::string_view piece) const;
  size_t Find(std::string_view field, size_t from, size_t to, std::string_view piece) const;

  TCaseFold FFold;
  std::vector<std::string> FPieces;  // already folded; one piece: the whole value
  size_t FMinLength = 0;             // the pieces' lengths added up
  // Where case matters the pieces compare with memcmp; the common "begins with" pattern
  // then costs what the classic test does.
  bool FIdentity = true;
  bool FPrefixOnly = false;  // two pieces, the last empty: "begins with" the first
};

}  // namespace lw
