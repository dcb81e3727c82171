#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// A line's text is shown up to this many characters: a single line of megabytes would make
// the tree view lay out (and the CLI print) a line nobody can read.
inline constexpr std::size_t kNewsLineChars = 1024;
// The lines made into nodes. News is a page of headings and items; a tree view needs some
// 10 ms per few thousand rows, and the window must not freeze on whatever a server sent, so
// later lines are only counted.
inline constexpr std::size_t kNewsMaxNodes = 5000;

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
  // The file is valid UTF-8 (a leading byte order mark dropped) and its texts are UTF-8;
  // otherwise they are 8-bit text in the program's code page.
  bool Utf8 = false;
  // Lines after the first kNewsMaxNodes, not made into nodes.
  std::size_t LinesLeftOut = 0;
};

// Reads the news file format. Lines end with CR LF, LF or CR. The leading run of tabs and
// spaces is the line's wanted level (each counts one); the first line is always top level;
// any later line may go at most one level deeper than the line before it. A node at level 1
// is a news item "caption;link", split at the first ';' (no ';': empty caption, the whole
// text is the link). Texts shown are cut at kNewsLineChars characters; links are kept whole.
// Never throws; any bytes are accepted.
TNewsTree ParseNews(std::string_view bytes);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsUtf8(std::string_view bytes);

}  // namespace lw
