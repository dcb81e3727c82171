#pragma once

#include <string_view>

namespace lw {

// Field, table and session names compare without regard to (ASCII) letter case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace lw
