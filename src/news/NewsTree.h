#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lw {

// One node of the news tree. Nodes are kept in the tree's absolute order (depth first, top to
// bottom: the order of the lines in the file); a node's parent is the nearest node before it
// with a smaller level.
struct TNewsNode {
  std::string Text;  // as shown: a news item's caption, any other node's whole text
  int Level = 0;     // depth, 0 for a top-level node
};

// A news file read into nodes, with the news link list: exactly one entry per node, at the
// node's absolute index (a news item's link; any other node's full text).
struct TNewsTree {
  std::vector<TNewsNode> Nodes;
  std::vector<std::string> Links;
  // Empty, or "Invalid level (L) for item "TEXT"": the file stops being read at that line and
  // Nodes/Links hold the nodes made before it.
  std::string Error;
};

// Reads the news file format. Lines end with CR LF, LF or CR. The leading run of tabs and
// spaces is the line's wanted level (each counts one); the first line is always top level;
// any later line may go at most one level deeper than the line before it. A node at level 1
// is a news item "caption;link", split at the first ';' (no ';': empty caption, the whole
// text is the link). Never throws; any bytes are accepted.
TNewsTree ParseNews(std::string_view bytes);

}  // namespace lw
