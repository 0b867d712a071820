#include "frame/item_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace frame {
namespace {

std::vector<std::string> AllItems(std::string_view bytes) {
  ItemReader reader(bytes);
  std::vector<std::string> items;
  // Each read moves forward; the bound only turns a reader fault into a failure, not a hang.
  while (!reader.AtEnd() && items.size() < 100) items.push_back(reader.ReadItem());
  return items;
}

TEST(ItemReader, SplitsItems) {
  struct Case {
    std::string bytes;
    std::vector<std::string> items;
  } cases[] = {
      {"a,b\r\nc\r\n", {"a", "b", "c"}},
      {"a,b", {"a", "b"}},
      {"  a  ,b", {"a  ", "b"}},                // leading blanks skipped, trailing kept
      {"\"  x, y \"  \t,z", {"  x, y ", "z"}},  // quotes keep commas and blanks
      {"\"ab\"cd,e", {"ab", "e"}},              // after the closing quote up to the comma
      {"a\tb\nc,d", {"abc", "d"}},              // tabs and LFs dropped
      {"a\rb\r\n\nc", {"a", "b", "c"}},         // CR alone ends a line; a lone LF is dropped
      {"a,,b", {"a", "", "b"}},
      {"a,\r\nb", {"a", "", "b"}},
      {"a\r\n\x1a,b,c", {"a"}},     // Ctrl+Z where an item starts ends the file
      {"a\x1a,b", {"a\x1a", "b"}},  // inside an item it is a character
      {"a,  \x1a", {"a"}},
      {"\"open, to the end\r\nx", {"open, to the end\r\nx"}},
      {"a\r\n  \t\n", {"a"}},  // trailing filler is no item
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(AllItems(c.bytes), c.items) << "bytes: " << c.bytes;
}

TEST(ItemReader, ReadsNumbers) {
  struct Case {
    std::string item;
    std::optional<std::int16_t> number;
  } cases[] = {
      {"12", 12},
      {" -7", -7},
      {"+3", 3},
      {"abc", 0},
      {"", 0},
      {"12abc", 12},
      {"2.5", 2},
      {"3.5", 4},
      {"32767", 32767},
      {"-32768", -32768},
      {"32768", {}},
      {"-32769", {}},
      {"99999999999999999999", {}},
  };
  for (const Case& c : cases) {
    ItemReader reader(c.item);
    EXPECT_EQ(reader.ReadNumber(), c.number) << "item: " << c.item;
  }
}

TEST(ItemReader, ReadingPastTheEndGivesEmptyItemsAndIsNoted) {
  ItemReader reader("a");
  EXPECT_EQ(reader.ReadItem(), "a");
  EXPECT_FALSE(reader.Overran());
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadItem(), "");
  EXPECT_EQ(reader.ReadNumber(), 0);
  EXPECT_TRUE(reader.Overran());
}

TEST(ItemReader, SkipsCommentLinesOnlyWhereAsked) {
  ItemReader reader("' one\r\n   ' two\r\n1,'x\r\n' three\r\n2");
  reader.SkipCommentLines();
  EXPECT_EQ(reader.ReadItem(), "1");
  EXPECT_EQ(reader.ItemLine(), 3);
  // Not at a line start: the apostrophe item is read as an item.
  EXPECT_EQ(reader.ReadItem(), "'x");
  reader.SkipCommentLines();
  EXPECT_EQ(reader.ReadItem(), "2");
  EXPECT_EQ(reader.ItemLine(), 5);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(ItemReader, CommentSkippingStopsAtTheLineThatIsNoComment) {
  ItemReader reader("  x,'y\r\n' z");
  reader.SkipCommentLines();
  EXPECT_EQ(reader.ReadItem(), "x");
  ItemReader last("' only a comment without line end");
  last.SkipCommentLines();
  EXPECT_TRUE(last.AtEnd());
}

TEST(ItemReader, CountsLinesInsideQuotes) {
  ItemReader reader("\"a\r\nb\",c\r\nd");
  EXPECT_EQ(reader.ReadItem(), "a\r\nb");
  EXPECT_EQ(reader.ReadItem(), "c");
  EXPECT_EQ(reader.ItemLine(), 2);
  EXPECT_EQ(reader.ReadItem(), "d");
  EXPECT_EQ(reader.ItemLine(), 3);
}

}  // namespace
}  // namespace frame
