// The help page layout as data: the markup commands, links, tab stops and
// boxed cells, with every character 10 pixels wide.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "help_layout.h"

namespace tervo {
namespace {

int TenPixels(char, uint8_t, bool, bool) { return 10; }

// The page laid out from a title and one text row.
HelpPageDrawing OneRow(const std::string& row) { return LayOutHelpPage({"Title", row}, TenPixels); }

std::vector<HelpDrawOp> Characters(const HelpPageDrawing& page) {
  std::vector<HelpDrawOp> out;
  for (const HelpDrawOp& op : page.ops)
    if (op.kind == HelpDrawOp::Character) out.push_back(op);
  return out;
}

TEST(HelpLayout, EveryCommandIsReadInEitherCaseAndNothingElseIsACommand) {
  for (const HelpMarkup& m : kHelpMarkup) {
    EXPECT_EQ(HelpCommandOf(m.letter), m.command) << m.letter;
    const char lower = m.letter >= 'A' && m.letter <= 'Z' ? static_cast<char>(m.letter - 'A' + 'a') : m.letter;
    EXPECT_EQ(HelpCommandOf(lower), m.command) << lower;
  }
  for (char c : std::string("AaCcXxZz0]\\ "))
    EXPECT_FALSE(HelpCommandOf(c).has_value()) << c;
}

TEST(HelpLayout, CommandsSetTheStyleOfTheCharactersAfterThem) {
  struct Case {
    const char* row;
    int y, cellHeight;  // of the last character
    bool bold, italic, marked;
  };
  const Case cases[] = {
      {"a", 24, 20, false, false, false},
      {"\\Ba", 31, 17, false, false, false},   // lowered 7
      {"\\pa", 19, 17, false, false, false},   // raised 5
      {"\\Sa", 24, 17, false, false, false},
      {"\\La", 24, 24, false, false, false},
      {"\\F\\Ia", 24, 20, false, true, false},  // italic ends bold
      {"\\I\\fa", 24, 20, true, false, false},
      {"\\M\\B\\Fa\\Nb", 24, 20, false, false, false},
      {"\\Ma", 24, 20, false, false, true},
      {"\\Xa", 24, 20, false, false, false},   // an unknown command is dropped
  };
  for (const Case& c : cases) {
    const auto chars = Characters(OneRow(c.row));
    ASSERT_FALSE(chars.empty()) << c.row;
    const HelpDrawOp& last = chars.back();
    EXPECT_EQ(last.y, c.y) << c.row;
    EXPECT_EQ(last.cellHeight, c.cellHeight) << c.row;
    EXPECT_EQ(last.bold, c.bold) << c.row;
    EXPECT_EQ(last.italic, c.italic) << c.row;
    EXPECT_EQ(last.marked, c.marked) << c.row;
  }
}

TEST(HelpLayout, TabsLinksAndTheTitle) {
  const HelpPageDrawing page = LayOutHelpPage({"\\Ftitle", "ab\\Tc", "\\G12x", "\\G0y", "\\G256z", "\\g7"}, TenPixels);
  EXPECT_EQ(page.title, "\\Ftitle");  // the title is taken as it stands
  const auto chars = Characters(page);
  ASSERT_GE(chars.size(), 3u);
  EXPECT_EQ(chars[0].x, 10);
  EXPECT_EQ(chars[2].x, 150);  // the next tab stop
  EXPECT_EQ(page.links[2], 12);
  EXPECT_EQ(page.links[3], 0);  // no page 0
  EXPECT_EQ(page.links[4], 0);  // beyond the last possible page
  EXPECT_EQ(page.links[5], 7);
  EXPECT_EQ(Characters(page)[3].ch, 'x');  // the page number is not drawn
}

TEST(HelpLayout, ABoxedCellHasEdgesAroundItsCharacters) {
  const HelpPageDrawing page = OneRow("\\[ab\\[c\\N");
  std::vector<HelpDrawOp> edges;
  for (const HelpDrawOp& op : page.ops)
    if (op.kind == HelpDrawOp::Edge) edges.push_back(op);
  // left edge at 10; top and bottom grow to each character's left side, and
  // an edge closes them up to itself: a cell is closed by the next "\["
  ASSERT_EQ(edges.size(), 10u);
  EXPECT_EQ(edges[0].x, 10);
  EXPECT_EQ(edges[0].y, 19);
  EXPECT_EQ(edges[0].y2, 49);
  const HelpDrawOp& top = edges[edges.size() - 2];
  EXPECT_EQ(top.x, 35);  // from the second edge
  EXPECT_EQ(top.x2, 40);  // to the left side of "c"
  EXPECT_EQ(top.y, 19);
  EXPECT_EQ(edges[5].x2, 35);  // the first cell closed up to the second edge,
  EXPECT_EQ(edges[7].x, 35);   // which stands 10 pixels after the start of "b"
  EXPECT_EQ(edges[7].x2, 35);
}

}  // namespace
}  // namespace tervo
