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

// The part of `text` that is shown: kNewsLineChars characters, counted in code points for
// UTF-8 so that no character is cut in half.
std::string Shown(std::string_view text, bool utf8) {
  if (!utf8) return std::string(text.substr(0, kNewsLineChars));
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == kNewsLineChars)
      return std::string(text.substr(0, i));
  return std::string(text);
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    size_t follow = 0;
    char32_t code = lead;
    if (lead >= 0x80) {
      if ((lead & 0xE0) == 0xC0)
        follow = 1, code = lead & 0x1F;
      else if ((lead & 0xF0) == 0xE0)
        follow = 2, code = lead & 0x0F;
      else if ((lead & 0xF8) == 0xF0)
        follow = 3, code = lead & 0x07;
      else
        return false;
      if (bytes.size() - i <= follow) return false;
      for (size_t k = 1; k <= follow; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) return false;
        code = code << 6 | (next & 0x3F);
      }
      if (code < kSmallest[follow] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    }
    i += follow + 1;
  }
  return true;
}

TNewsTree ParseNews(std::string_view bytes) {
  TNewsTree tree;
  tree.Utf8 = IsUtf8(bytes);
  if (tree.Utf8 && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  size_t pos = 0;
  int depth = 0;  // the actual depth of the node made from the line before
  while (pos < bytes.size()) {
    if (tree.Nodes.size() == kNewsMaxNodes) {
      for (; pos < bytes.size(); ++tree.LinesLeftOut) NextLine(bytes, pos);
      break;
    }
    const std::string_view line = NextLine(bytes, pos);
    size_t indent = 0;
    while (indent < line.size() && (line[indent] == '\t' || line[indent] == ' ')) ++indent;
    const std::string_view text = line.substr(indent);
    // A line that goes deeper by more than one level has no parent to hang from.
    const bool first = tree.Nodes.empty();
    if (!first && indent > static_cast<size_t>(depth) + 1) {
      tree.Error = "Invalid level (" + std::to_string(indent) + ") for item \"" +
                   Shown(text, tree.Utf8) + "\"";
      break;
    }
    depth = first ? 0 : static_cast<int>(indent);
    TNewsNode node{Shown(text, tree.Utf8), depth};
    if (depth == 1) {
      const size_t semicolon = text.find(';');
      if (semicolon == std::string_view::npos) {
        tree.Links.emplace_back(text);
        node.Text.clear();
      } else {
        tree.Links.emplace_back(text.substr(semicolon + 1));
        node.Text = Shown(text.substr(0, semicolon), tree.Utf8);
      }
    } else {
      tree.Links.emplace_back(text);
    }
    tree.Nodes.push_back(std::move(node));
  }
  return tree;
}

}  // namespace lw
