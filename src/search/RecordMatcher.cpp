#include "RecordMatcher.h"

#include <algorithm>

namespace lw {

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

TQuotedListTest::TQuotedListTest(std::string slot) : FSlot(std::move(slot)) {
  std::vector<std::string> items;
  size_t p = 0;
  bool simple = true;
  while (simple && p < FSlot.size()) {
    if (FSlot[p] != '"') {
      simple = false;
      break;
    }
    size_t close = FSlot.find_first_of("\",", p + 1);
    if (close == std::string::npos || FSlot[close] != '"' || close + 1 >= FSlot.size() ||
        FSlot[close + 1] != ',') {
      simple = false;
      break;
    }
    items.push_back(FSlot.substr(p + 1, close - p - 1));
    p = close + 2;
  }
  if (simple) {
    std::sort(items.begin(), items.end());
    FSortedItems = std::move(items);
    FSimple = true;
  }
}

bool TQuotedListTest::Contains(std::string_view value) const {
  if (FSimple && value.find_first_of("\",") == std::string_view::npos) {
    return std::binary_search(FSortedItems.begin(), FSortedItems.end(), value,
                              [](std::string_view a, std::string_view b) { return a < b; });
  }
  return SubstringSearch(value);
}

bool TQuotedListTest::SubstringSearch(std::string_view value) const {
  std::string_view slot = FSlot;
  const size_t len = value.size();
  for (size_t p = slot.find('"'); p != std::string_view::npos; p = slot.find('"', p + 1)) {
    if (p + len + 3 > slot.size()) return false;
    if (slot.substr(p + 1, len) == value && slot[p + 1 + len] == '"' && slot[p + 2 + len] == ',') {
      return true;
    }
  }
  return false;
}

TRecordMatcher::TRecordMatcher(const std::vector<std::string>& criteria)
    : TBasicRecordMatcher(criteria, [](std::string_view text) { return TPattern(text); }) {}

TOptionMatcher::TOptionMatcher(const std::vector<std::string>& criteria,
                               const TMatchOptions& options, const TCaseFold& fold)
    : TBasicRecordMatcher(
          criteria, [&](std::string_view text) { return TOptionPattern(text, options, fold); }) {}

}  // namespace lw
