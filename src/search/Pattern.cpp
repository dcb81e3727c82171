#include "Pattern.h"

#include <stdexcept>

namespace lw {

TPattern::TPattern(std::string_view criterion) {
  if (!criterion.empty() && criterion.back() == '*') {
    FPrefix = true;
    criterion.remove_suffix(1);
  }
  FText.assign(criterion);
}

bool PatternMatches(std::string_view criterion, std::string_view field) {
  if (criterion.empty()) throw std::out_of_range("The search criterion is empty.");
  return TPattern(criterion).Matches(field);
}

}  // namespace lw
