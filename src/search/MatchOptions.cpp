#include "MatchOptions.h"

#include <cstring>

#include "strutil/CodePage.h"

namespace lw {

namespace {

// The lower case of the letters the supported code pages hold (Latin-1, Latin Extended-A,
// the Greek capitals of code page 437); 0 for anything else.
char16_t LowerCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c == 0x178) return 0xFF;  // Y with diaeresis
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs capital and small letter; the pairing shifts at 0x139 and 0x14A.
    const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddCapitals ? (c & 1) != 0 : (c & 1) == 0) return c + 1;
    return 0;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  return 0;
}

}  // namespace

TCaseFold::TCaseFold() {
  for (int i = 0; i < 256; ++i) FMap[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
}

TCaseFold TCaseFold::ForCodePage(int codePage) {
  TCaseFold fold;
  for (int i = 0; i < 256; ++i) {
    const char16_t lower = LowerCase(CodePageChar(static_cast<unsigned char>(i), codePage));
    if (!lower) continue;
    const char byte = CodePageByte(lower, codePage);
    // A capital whose small letter the code page lacks stays as it is.
    if (byte == '?') continue;
    fold.FMap[static_cast<size_t>(i)] = static_cast<unsigned char>(byte);
    fold.FIdentity = fold.FIdentity && byte == static_cast<char>(i);
  }
  return fold;
}

std::string TCaseFold::Apply(std::string_view text) const {
  std::string out(text);
  for (char& c : out) c = static_cast<char>((*this)(c));
  return out;
}

TOptionPattern::TOptionPattern(std::string_view criterion, const TMatchOptions& options,
                               const TCaseFold& fold)
    : FFold(fold) {
  // With both options off this is the classic rule exactly: blanks count.
  if (options.Any()) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!criterion.empty() && blank(criterion.front())) criterion.remove_prefix(1);
    while (!criterion.empty() && blank(criterion.back())) criterion.remove_suffix(1);
  }
  const std::string text = FFold.Apply(criterion);
  if (options.Wildcards) {
    size_t start = 0;
    for (size_t star = text.find('*'); star != std::string::npos; star = text.find('*', start)) {
      FPieces.push_back(text.substr(start, star - start));
      start = star + 1;
    }
    FPieces.push_back(text.substr(start));
  } else if (!text.empty() && text.back() == '*') {
    FPieces = {text.substr(0, text.size() - 1), std::string()};
  } else {
    FPieces = {text};
  }
  for (const std::string& piece : FPieces) FMinLength += piece.size();
  FIdentity = FFold.Identity();
  FPrefixOnly = FPieces.size() == 2 && FPieces.back().empty();
}

bool TOptionPattern::EqualAt(std::string_view field, size_t at, std::string_view piece) const {
  if (FIdentity)
    return piece.empty() || std::memcmp(field.data() + at, piece.data(), piece.size()) == 0;
  for (size_t i = 0; i < piece.size(); ++i)
    if (FFold(field[at + i]) != static_cast<unsigned char>(piece[i])) return false;
  return true;
}

size_t TOptionPattern::Find(std::string_view field, size_t from, size_t to,
                            std::string_view piece) const {
  if (FIdentity) return field.substr(0, to).find(piece, from);
  for (size_t at = from; at + piece.size() <= to; ++at)
    if (EqualAt(field, at, piece)) return at;
  return std::string_view::npos;
}

bool TOptionPattern::Matches(std::string_view field) const {
  if (FPieces.empty() || field.size() < FMinLength) return false;
  const std::string& first = FPieces.front();
  if (FPrefixOnly) return EqualAt(field, 0, first);
  if (FPieces.size() == 1) return field.size() == first.size() && EqualAt(field, 0, first);
  if (!EqualAt(field, 0, first)) return false;
  const std::string& last = FPieces.back();
  const size_t end = field.size() - last.size();
  if (!EqualAt(field, end, last)) return false;
  // The middle pieces, each at its leftmost place: taking the earliest place never leaves
  // less room for the pieces after it.
  size_t at = first.size();
  for (size_t i = 1; i + 1 < FPieces.size(); ++i) {
    at = Find(field, at, end, FPieces[i]);
    if (at == std::string_view::npos) return false;
    at += FPieces[i].size();
  }
  return true;
}

}  // namespace lw
