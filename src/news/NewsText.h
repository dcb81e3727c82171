#pragma once

#include <string>

#include "NewsTree.h"

namespace lw {

// The news tree as UTF-8 text, one node a line, as the window shows it: two blanks of
// indentation per level, and after a news item's caption its link ("Caption  -> link").
// A file that is not UTF-8 is read in the program's 8-bit code page.
std::string NewsTreeText(const TNewsTree& tree);

}  // namespace lw
