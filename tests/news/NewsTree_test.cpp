#include "NewsTree.h"

#include <gtest/gtest.h>

#include "NewsLink.h"

namespace lw {
namespace {

// "level:text" per node, for compact comparisons.
std::vector<std::string> Shape(const TNewsTree& tree) {
  std::vector<std::string> out;
  for (const TNewsNode& n : tree.Nodes) out.push_back(std::to_string(n.Level) + ":" + n.Text);
  return out;
}

using Lines = std::vector<std::string>;

TEST(NewsTree, HeadingWithTwoItemsSplitsCaptionAndLink) {
  const TNewsTree tree = ParseNews("Products\r\n\tNew release;notes.txt\r\n\tPrices;prices.htm");
  EXPECT_EQ(Shape(tree), (Lines{"0:Products", "1:New release", "1:Prices"}));
  EXPECT_EQ(tree.Links, (Lines{"Products", "notes.txt", "prices.htm"}));
  EXPECT_EQ(tree.Error, "");
}

TEST(NewsTree, CaptionAndLinkSplitAtTheFirstSemicolonOnlyAtDepthOne) {
  const TNewsTree tree = ParseNews("H\n\tA;b;c\n\tjust-a-link\n\t\tdeep;x\n\t;\n");
  EXPECT_EQ(Shape(tree), (Lines{"0:H", "1:A", "1:", "2:deep;x", "1:"}));
  EXPECT_EQ(tree.Links, (Lines{"H", "b;c", "just-a-link", "deep;x", ""}));
}

TEST(NewsTree, LineEndsIndentationAndEmptyLines) {
  // LF, CR and CR LF mixed; a final line without an end; an empty line is a heading.
  const TNewsTree tree = ParseNews("A\r\r\n\tB; l \nC\r\n\n");
  EXPECT_EQ(Shape(tree), (Lines{"0:A", "0:", "1:B", "0:C", "0:"})) << tree.Error;
  EXPECT_EQ(tree.Links[2], " l ");  // trailing blanks belong to the text
  // A space and a tab count one level each.
  EXPECT_EQ(ParseNews("A\n\tB\n \tC").Nodes.back().Level, 2);
}

TEST(NewsTree, LevelsFollowTheLineBefore) {
  // The first line is top level whatever its indentation; the next one may go one deeper.
  EXPECT_EQ(Shape(ParseNews("\tfirst\n\tchild;l")), (Lines{"0:first", "1:child"}));
  EXPECT_EQ(Shape(ParseNews("a\n b;l\n  c\n   d\n    e\n  f\nz")),
            (Lines{"0:a", "1:b", "2:c", "3:d", "4:e", "2:f", "0:z"}));
  // Four spaces are level 4: too deep under a heading.
  EXPECT_EQ(ParseNews("a\n    four").Error, "Invalid level (4) for item \"four\"");
}

TEST(NewsTree, InvalidLevelKeepsTheNodesBeforeIt) {
  const TNewsTree tree = ParseNews("Products\n\tNew;n.txt\nOther\n\t\tToo deep;x\n\tafter");
  EXPECT_EQ(tree.Error, "Invalid level (2) for item \"Too deep;x\"");
  EXPECT_EQ(Shape(tree), (Lines{"0:Products", "1:New", "0:Other"}));
  // The link list stays in step with the nodes shown.
  EXPECT_EQ(tree.Links, (Lines{"Products", "n.txt", "Other"}));
}

TEST(NewsTree, EmptyInputAndOddBytes) {
  EXPECT_TRUE(ParseNews("").Nodes.empty());
  const std::string bytes("a\0b\n\t\xff;\x01", 8);
  const TNewsTree tree = ParseNews(bytes);
  ASSERT_EQ(tree.Nodes.size(), 2u);
  EXPECT_EQ(tree.Nodes[0].Text, std::string("a\0b", 3));
  EXPECT_EQ(tree.Links[1], "\x01");
}

TEST(NewsLink, OnlyNewsItemsWithOrdinaryLinksOpen) {
  const TNewsTree tree = ParseNews(
      "Head;x\n\tItem;http://a/\n\t\tdeep\n\tNoSplit\n\tC;cmd1\n\tX;cmdx\n\tE;\n\tU;CMD2");
  EXPECT_EQ(NewsLinkToOpen(tree, 0), "");  // heading
  EXPECT_EQ(NewsLinkToOpen(tree, 1), "http://a/");
  EXPECT_EQ(NewsLinkToOpen(tree, 2), "");  // depth 2
  EXPECT_EQ(NewsLinkToOpen(tree, 3), "NoSplit");
  EXPECT_EQ(NewsLinkToOpen(tree, 4), "");  // command links are never handed on
  EXPECT_EQ(NewsLinkToOpen(tree, 5), "");
  EXPECT_EQ(NewsLinkToOpen(tree, 6), "");      // empty link
  EXPECT_EQ(NewsLinkToOpen(tree, 7), "CMD2");  // "cmd" is compared with case
  EXPECT_EQ(NewsLinkToOpen(tree, 99), "");
}

}  // namespace
}  // namespace lw

#include "NewsText.h"

namespace lw {
namespace {

TEST(NewsText, IndentsAndShowsLinksOfItems) {
  EXPECT_EQ(NewsTreeText(ParseNews("Products\n\tNew;n.txt\n\t\tmore;x\n\tbare\n\tE;\nZ")),
            "Products\n  New  -> n.txt\n    more;x\n  -> bare\n  E\nZ\n");
  for (const char* news : {"caf\xC3\xA9\n\tT\xC3\xA9;\xE2\x82\xAC", "caf\xE9\n\tT\xE9;\x80"})
    EXPECT_EQ(NewsTreeText(ParseNews(news)), "caf\xC3\xA9\n  T\xC3\xA9  -> \xE2\x82\xAC\n");
}

}  // namespace
}  // namespace lw
