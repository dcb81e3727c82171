#pragma once

#include <cstddef>
#include <string>

#include "NewsTree.h"

namespace lw {

// What clicking the node at `index` should open with the desktop: the link of a news item,
// or "" when the click does nothing (no such node, not a news item, an empty link, or a
// command link: one beginning with "cmd", reserved for the program and never handed on).
std::string NewsLinkToOpen(const TNewsTree& tree, std::size_t index);

}  // namespace lw
