#pragma once

#include <string>

#include "NewsTree.h"

namespace lw {

// The news tree as plain text, one node a line, as the window shows it: two blanks of
// indentation per level, and after a news item's caption its link ("Caption  -> link").
std::string NewsTreeText(const TNewsTree& tree);

}  // namespace lw
