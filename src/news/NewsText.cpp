#include "NewsText.h"

#include "strutil/CodePage.h"

namespace lw {

std::string NewsTreeText(const TNewsTree& tree) {
  std::string out;
  auto append = [&](const std::string& text) {
    if (tree.Utf8)
      out += text;
    else
      AppendUtf8(out, text, kDefaultCodePage);
  };
  for (size_t i = 0; i < tree.Nodes.size(); ++i) {
    const TNewsNode& node = tree.Nodes[i];
    out.append(static_cast<size_t>(node.Level) * 2, ' ');
    append(node.Text);
    if (node.Level == 1 && i < tree.Links.size() && !tree.Links[i].empty()) {
      out += node.Text.empty() ? "-> " : "  -> ";
      append(tree.Links[i]);
    }
    out += '\n';
  }
  return out;
}

}  // namespace lw
