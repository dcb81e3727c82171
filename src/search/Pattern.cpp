#include "Pattern.h"

#include <stdexcept>

namespace lw {

TPattern::TPattern(std::string_view criterion) {
  if (!criterion.empty() && criterion.back() == '*') {
    FPrefix = true;
    criterion.remove_suffix(1);
  }
  FText.assign(criterion);
  const size_t n = FText.size();
  const size_t part = n >= 4 && n <= 8 ? 4 : n >= 2 && n < 4 ? 2 : 0;
  if (part) {
    std::memcpy(&FHead, FText.data(), part);
    std::memcpy(&FTail, FText.data() + n - part, part);
  }
}

bool PatternMatches(std::string_view criterion, std::string_view field) {
  if (criterion.empty()) throw std::out_of_range("The search criterion is empty.");
  return TPattern(criterion).Matches(field);
}

}  // namespace lw
