#include "NewsText.h"

namespace lw {

std::string NewsTreeText(const TNewsTree& tree) {
  std::string out;
  for (size_t i = 0; i < tree.Nodes.size(); ++i) {
    const TNewsNode& node = tree.Nodes[i];
    out.append(static_cast<size_t>(node.Level) * 2, ' ');
    out += node.Text;
    if (node.Level == 1 && i < tree.Links.size() && !tree.Links[i].empty())
      out += (node.Text.empty() ? "-> " : "  -> ") + tree.Links[i];
    out += '\n';
  }
  return out;
}

}  // namespace lw
