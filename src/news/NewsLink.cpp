#include "NewsLink.h"

namespace lw {

std::string NewsLinkToOpen(const TNewsTree& tree, std::size_t index) {
  if (index >= tree.Nodes.size() || index >= tree.Links.size()) return "";
  if (tree.Nodes[index].Level != 1) return "";
  const std::string& link = tree.Links[index];
  // Command links carry a number in their next three characters; none has an action yet.
  if (link.compare(0, 3, "cmd") == 0) return "";
  return link;
}

}  // namespace lw
