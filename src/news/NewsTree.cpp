#include "NewsTree.h"

namespace lw {

namespace {

// The next line of `bytes` from `pos`, without its line end; advances `pos` past it.
std::string_view NextLine(std::string_view bytes, size_t& pos) {
  const size_t start = pos;
  size_t end = start;
  while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
  pos = end;
  if (pos < bytes.size()) {
    const bool crlf = bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n';
    pos += crlf ? 2 : 1;
  }
  return bytes.substr(start, end - start);
}

}  // namespace

TNewsTree ParseNews(std::string_view bytes) {
  TNewsTree tree;
  size_t pos = 0;
  int depth = 0;  // the actual depth of the node made from the line before
  while (pos < bytes.size()) {
    const std::string_view line = NextLine(bytes, pos);
    size_t indent = 0;
    while (indent < line.size() && (line[indent] == '\t' || line[indent] == ' ')) ++indent;
    const std::string_view text = line.substr(indent);
    // A line that goes deeper by more than one level has no parent to hang from.
    const bool first = tree.Nodes.empty();
    if (!first && indent > static_cast<size_t>(depth) + 1) {
      tree.Error =
          "Invalid level (" + std::to_string(indent) + ") for item \"" + std::string(text) + "\"";
      break;
    }
    depth = first ? 0 : static_cast<int>(indent);
    TNewsNode node{std::string(text), depth};
    if (depth == 1) {
      const size_t semicolon = text.find(';');
      if (semicolon == std::string_view::npos) {
        tree.Links.emplace_back(text);
        node.Text.clear();
      } else {
        tree.Links.emplace_back(text.substr(semicolon + 1));
        node.Text = std::string(text.substr(0, semicolon));
      }
    } else {
      tree.Links.emplace_back(text);
    }
    tree.Nodes.push_back(std::move(node));
  }
  return tree;
}

}  // namespace lw
