// libFuzzer target for the news file parser: any bytes, and the tree it gives must hold
// together (one link per node, levels that a tree view can show, no line ends in a text).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "NewsLink.h"
#include "NewsTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const lw::TNewsTree tree = lw::ParseNews(bytes);
  if (tree.Links.size() != tree.Nodes.size()) std::abort();
  int previous = -1;
  for (size_t i = 0; i < tree.Nodes.size(); ++i) {
    const lw::TNewsNode& node = tree.Nodes[i];
    if (node.Level < 0 || node.Level > previous + 1) std::abort();
    if (node.Text.find_first_of("\r\n") != std::string::npos) std::abort();
    if (node.Text.size() > size || tree.Links[i].size() > size) std::abort();
    previous = node.Level;
    (void)lw::NewsLinkToOpen(tree, i);
  }
  if (!tree.Error.empty() && tree.Error.rfind("Invalid level (", 0) != 0) std::abort();
  return 0;
}
