#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lw {

// Splits a comma list into its items with the toolkit's comma-text rules: blanks and control
// characters (codes 1 to 32) separate items just like a comma, a double-quoted item may hold
// them (two quotes stand for one), one comma after an item is a plain separator, and two
// commas with nothing between them give an empty item.
std::vector<std::string> SplitCommaList(std::string_view text);

}  // namespace lw
