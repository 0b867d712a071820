#include "screen/text_layout.h"

#include <gtest/gtest.h>

namespace screen {
namespace {

std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) out += static_cast<unsigned char>(c) < 0x20 ? '^' : c;
  return out;
}

TEST(WrapText, BreaksAlignsAndIndentsByMode) {
  const std::string x100(100, 'x');
  struct Case {
    std::string text;
    int indent, width;
    std::string mode;
    std::vector<std::string> lines;
  } cases[] = {
      {"abc def ghi", 0, 7, "L", {"abc def", "ghi    "}},
      {"abc defgh", 0, 7, "L", {"abc    ", "defgh  "}},
      {"abc defgh", 0, 7, "e", {"abc    ", "defgh  "}},
      {"abc defgh", 0, 7, "I", {"abc    ", "defgh  "}},
      {"abc defgh", 0, 7, "N", {"abc----", "defgh--"}},
      {"abc defgh", 0, 7, "D", {"    abc", "  defgh"}},
      {"abc defgh", 0, 7, "r", {"    abc", "  defgh"}},
      {"abc defgh", 0, 7, "C", {"  abc  ", " defgh "}},
      {"abc defgh", 0, 7, "X", {"abc", "defgh"}},
      {"abc defgh", 0, 7, "", {"abc", "defgh"}},
      {"abc   ", 0, 7, "R", {"    abc"}},  // trailing blanks dropped at the end of the text
      // First-line indent, then a hanging indent.
      {"aaa bbb ccc ddd", 2, 10, "L", {"  aaa bbb ", "ccc ddd   "}},
      {"aaa bbb ccc ddd", -2, 10, "L", {"aaa bbb   ", "  ccc ddd "}},
      // Justified: blanks doubled from the left, wrapping round; the last line stays as it is.
      {"aa bb cc dd ee", 0, 10, "A", {"aa  bb  cc", "dd ee"}},
      {"a b cdefgh", 0, 8, "B", {"a      b", "cdefgh"}},
      {"lbl aa bb cc dd", -4, 14, "A", {"lbl aa  bb  cc", "    dd"}},
      // A word longer than the room is cut hard.
      {"abcdefghij", 0, 4, "L", {"abcd", "efgh", "ij  "}},
      {x100, 0, 76, "I", {std::string(76, 'x'), std::string(24, 'x') + std::string(52, ' ')}},
      {"ab " + std::string(80, 'y'),
       0,
       76,
       "I",
       {"ab" + std::string(74, ' '), std::string(76, 'y'), "yyyy" + std::string(72, ' ')}},
      // Markup takes no width; markup right after a word stays with it.
      {"\x1e"
       "abc\x1e def",
       0,
       5,
       "L",
       {"\x1e"
        "abc\x1e  ",
        "def  "}},
      {"abcde\x1f"
       "fg",
       0,
       5,
       "L",
       {"abcde",
        "\x1f"
        "fg   "}},
      {"\x1e"
       "abcdefgh",
       0,
       4,
       "L",
       {"\x1e"
        "abcd",
        "efgh"}},
      {"", 0, 10, "L", {}},
      {"abc", 0, 0, "L", {"a", "b", "c"}},  // no room at all still ends
  };
  for (const Case& c : cases) {
    const std::vector<std::string> lines = WrapLines(c.text, c.indent, c.width, c.mode);
    std::string shown;
    for (const std::string& line : lines) shown += "[" + Visible(line) + "]";
    std::string expected;
    for (const std::string& line : c.lines) expected += "[" + Visible(line) + "]";
    EXPECT_EQ(shown, expected) << "'" << Visible(c.text) << "' indent " << c.indent << " width "
                               << c.width << " mode '" << c.mode << "'";
  }
}

TEST(WrapText, ResultIsTheLinesJoined) {
  EXPECT_EQ(WrapText("abc defgh", 0, 7, "L"), "abc    defgh  ");
}

}  // namespace
}  // namespace screen
