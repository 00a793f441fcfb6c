// The editor's operations without a window: a row of keys and typed text
// from a starting grid, then the grid, the cursor and the view.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editor_model.h"
#include "grid_text.h"

namespace tervo {
namespace {

// One step: a key, or text to type when key is kNone.
struct Step {
  EditKey key = EditKey::kNone;
  const char* text = "";
};

struct Editor {
  std::unique_ptr<Engine> e = std::make_unique<Engine>();
  EditorView view;
  EditorModel model{*e, view};

  void Run(const std::vector<Step>& steps) {
    for (const Step& s : steps) {
      if (s.key != EditKey::kNone) model.KeyDown(s.key);
      for (const char* c = s.text; *c; ++c)
        if (model.Accepts(*c)) model.Type(*c);
    }
  }
  // Grid line l of the current mode without trailing blanks.
  std::string Line(int l) const {
    const char* cells = e->FormulaMode ? e->FormulaGrid[l].data() : e->TableGrid[l].data();
    std::string s(cells, e->FormulaMode ? kGridCols : kTableCols);
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }
};

TEST(EditorModel, FormulaKeys) {
  using K = EditKey;
  const struct {
    const char* name;
    const char* grid;  // rows separated by '\n'
    int col, row;
    bool insert;
    std::vector<Step> steps;
    std::vector<std::string> rows;  // rows 0.. expected
    int endCol, endRow;
  } cases[] = {
      {"folds letters, drops others", "", 0, 0, true, {{K::kNone, "a+b2#c"}}, {"A+BC"}, 4, 0},
      {"insert pushes the row right", "AB", 0, 0, true, {{K::kNone, "/"}}, {"/AB"}, 1, 0},
      {"overwrite replaces", "AB", 0, 0, false, {{K::kNone, "/"}}, {"/B"}, 1, 0},
      {"Enter splits in insert mode", "A+B\nC", 1, 0, true, {{K::kEnter}}, {"A", "+B", "C"}, 0, 1},
      {"Enter in overwrite only moves", "A+B\nC", 1, 0, false, {{K::kEnter}}, {"A+B", "C"}, 0, 1},
      {"Backspace in column 0 does nothing", "AB", 0, 0, true, {{K::kBackspace}}, {"AB"}, 0, 0},
      {"Backspace closes up", "ABC", 2, 0, true, {{K::kBackspace}}, {"AC"}, 1, 0},
      {"Delete closes up", "ABC", 0, 0, true, {{K::kDelete}}, {"BC"}, 0, 0},
      {"End stands on the last character", "A+B", 0, 0, true, {{K::kEnd}}, {"A+B"}, 2, 0},
      {"Left wraps to column 0 above", "\n\nX", 0, 2, true, {{K::kLeft}}, {"", "", "X"}, 0, 1},
      {"Ctrl+N opens a row", "A\nB", 3, 1, true, {{K::kOpenLine}}, {"A", "", "B"}, 0, 1},
      {"Ctrl+Y deletes a row", "A\nB\nC", 0, 1, true, {{K::kDeleteLine}}, {"A", "C", ""}, 0, 1},
      {"Right wraps at column 39", "", 39, 0, true, {{K::kRight}}, {""}, 0, 1},
  };
  for (const auto& c : cases) {
    Editor ed;
    test::SetFormulaText(*ed.e, c.grid);
    ed.view.CursorCol = static_cast<uint8_t>(c.col);
    ed.view.CursorRow = static_cast<uint8_t>(c.row);
    ed.view.InsertMode = c.insert;
    ed.Run(c.steps);
    for (std::size_t r = 0; r < c.rows.size(); ++r) EXPECT_EQ(ed.Line(int(r)), c.rows[r]) << c.name << " row " << r;
    EXPECT_EQ(ed.view.CursorCol, c.endCol) << c.name;
    EXPECT_EQ(ed.view.CursorRow, c.endRow) << c.name;
  }
}

TEST(EditorModel, LastFormulaRowFallsOffWhenARowOpens) {
  Editor ed;
  ed.e->FormulaGrid[29][0] = 'Z';
  ed.e->FormulaGrid[28][0] = 'Y';
  ed.model.KeyDown(EditKey::kOpenLine);
  EXPECT_EQ(ed.Line(29), "Y");
  EXPECT_EQ(ed.Line(0), "");
}

TEST(EditorModel, TableViewScrollsAtItsEdges) {
  using K = EditKey;
  const struct {
    const char* name;
    int row, scroll;
    std::vector<Step> steps;
    int endRow, endScroll;
  } cases[] = {
      {"Up on row 1 at the top goes to the header", 1, 0, {{K::kUp}}, 0, 0},
      {"Up on row 1 scrolls back while it can", 1, 5, {{K::kUp}}, 1, 4},
      {"Down on row 29 scrolls", 29, 0, {{K::kDown}}, 29, 1},
      {"Down at the last position changes nothing", 29, 71, {{K::kDown}}, 29, 71},
      {"Enter on row 29 scrolls", 29, 3, {{K::kEnter}}, 29, 4},
      {"typing never scrolls", 29, 0, {{K::kEnd}, {K::kNone, "1111111111111111"}}, 29, 0},
      {"Home on column 0 goes to row 1 without scrolling", 7, 9, {{K::kHome}}, 1, 9},
  };
  for (const auto& c : cases) {
    Editor ed;
    ed.e->FormulaMode = 0;
    ed.view.CursorRow = static_cast<uint8_t>(c.row);
    ed.view.ScrollPos = c.scroll;
    ed.Run(c.steps);
    EXPECT_EQ(ed.view.CursorRow, c.endRow) << c.name;
    EXPECT_EQ(ed.view.ScrollPos, c.endScroll) << c.name;
  }
}

TEST(EditorModel, TableRowsTakeTheirOwnCharacters) {
  Editor ed;
  ed.e->FormulaMode = 0;
  ed.Run({{EditKey::kNone, "ab1"}});  // the header takes letters only
  EXPECT_EQ(ed.Line(0), "AB");
  ed.view.CursorCol = 0;
  ed.view.CursorRow = 1;
  ed.Run({{EditKey::kNone, "1a0 2"}});  // a term line takes 0, 1 and blank
  EXPECT_EQ(ed.Line(1), "10");
  EXPECT_EQ(ed.view.CursorCol, 3);
}

TEST(EditorModel, TableLineOperationsFollowTheScroll) {
  Editor ed;
  ed.e->FormulaMode = 0;
  test::SetTableText(*ed.e, "AB");
  for (int l = 1; l <= 100; ++l) ed.e->TableGrid[l][0] = l % 2 ? '1' : '0';
  ed.e->TableGrid[11][1] = '1';
  ed.view.ScrollPos = 10;
  ed.view.CursorRow = 1;  // shows line 11
  ed.model.KeyDown(EditKey::kDeleteLine);
  EXPECT_EQ(ed.Line(11), "0");  // old line 12
  EXPECT_EQ(ed.Line(100), "");
  ed.view.CursorRow = 0;  // the header line is neither opened nor deleted
  ed.model.KeyDown(EditKey::kOpenLine);
  ed.model.KeyDown(EditKey::kDeleteLine);
  EXPECT_EQ(ed.Line(0), "AB");
}

// A formula paste is typing, after the text is put in our notation; a table
// paste fills grid lines from the cursor's column. A refused paste puts
// nothing in and leaves the cursor where it was.
TEST(EditorModel, PasteTypesTheTextAndCountsWhatItCannotPlace) {
  const struct {
    const char* name;
    bool formula;
    const char* grid;
    int col, row, scroll;
    std::u32string text;
    std::vector<std::string> lines;  // grid lines 0.. expected
    unsigned placed;
    const char* refusal;  // part of the refusal; "" for none
    unsigned leftOut;
    int endCol, endRow, endScroll;
  } cases[] = {
      {"formula, folded", true, "", 0, 0, 0, U"a.b+/a.c", {"A.B+/A.C"}, 8, "", 0, 8, 0, 0},
      {"formula, inserted before the row", true, "X", 0, 0, 0, U"a+", {"A+X"}, 2, "", 0, 2, 0, 0},
      {"formula, other notations put in ours", true, "", 0, 0, 0, U"(a|b)'&c", {"/(A+B).C"}, 8, "", 0, 8, 0, 0},
      {"formula, a character it cannot put in ours", true, "Q", 0, 0, 0, U"a\t*b\u00e9+1c", {"Q"}, 0,
       "line 1, column 5: \"\u00e9\" (U+00E9) is not in the formula language", 0, 0, 0, 0},
      {"formula, line breaks act as Enter", true, "", 0, 0, 0, U"a+\r\nb\rc", {"A+", "B", "C"}, 4, "", 0, 1, 2, 0},
      {"formula, no room after the last cell", true, "", 38, 29, 0, U"abcd", {}, 2, "", 2, 39, 29, 0},
      {"formula, no row below the last", true, "", 0, 29, 0, U"a\nb", {}, 1, "", 1, 1, 29, 0},
      {"table, header and terms", false, "", 0, 0, 0, U"ab c\n1 0\n 11\n", {"ABC", "10", " 11"}, 7, "", 0, 0, 3, 0},
      {"table, from the cursor's column", false, "ABC\n111", 1, 1, 0, U"1\n0", {"ABC", "11", " 0"}, 2, "", 0, 2, 2, 0},
      {"table, letters refused on term lines", false, "ZZ", 0, 0, 0, U"A.B\n1x0\nA", {"ZZ", ""}, 0,
       "line 3 (table line 2), column 1: \"A\" is not a table cell", 0, 0, 0, 0},
      {"table, a digit on the header", false, "", 0, 0, 0, U"1 1 x", {""}, 0,
       "line 1 (the header), column 1: \"1\" is not a variable letter", 0, 0, 0, 0},
      {"table, a line wider than 15 columns", false, "", 0, 1, 0, U"1111111111111111", {"", ""}, 0,
       "line 1 (table line 1), column 16: \"1\" falls past the last column", 0, 0, 1, 0},
      {"table, free cells past the edge say nothing", false, "", 12, 1, 0, U"1 0 1 x x", {"", "            101"}, 3, "", 0,
       14, 1, 0},
      {"table, past line 100", false, "", 0, 29, 71, U"1\n0", {}, 0,
       "line 2, column 1: the line would fall past the table's last line 100", 0, 0, 29, 71},
      {"table, empty lines past line 100", false, "", 0, 29, 71, U"1\n\n", {}, 1, "", 0, 0, 29, 71},
      {"table, the view follows", false, "", 0, 28, 0, U"1\n1\n1\n1", {}, 4, "", 0, 1, 29, 2},
  };
  for (const auto& c : cases) {
    Editor ed;
    ed.e->FormulaMode = c.formula ? 1 : 0;
    if (c.formula)
      test::SetFormulaText(*ed.e, c.grid);
    else
      test::SetTableText(*ed.e, c.grid);
    ed.view.CursorCol = static_cast<uint8_t>(c.col);
    ed.view.CursorRow = static_cast<uint8_t>(c.row);
    ed.view.ScrollPos = c.scroll;
    const PasteResult r = ed.model.Paste(c.text);
    for (std::size_t l = 0; l < c.lines.size(); ++l) EXPECT_EQ(ed.Line(int(l)), c.lines[l]) << c.name << " line " << l;
    EXPECT_EQ(r.placed, c.placed) << c.name;
    if (*c.refusal == '\0')
      EXPECT_EQ(r.refusal, "") << c.name;
    else
      EXPECT_NE(r.refusal.find(c.refusal), std::string::npos) << c.name << ": " << r.refusal;
    EXPECT_EQ(r.leftOut, c.leftOut) << c.name;
    EXPECT_EQ(ed.view.CursorCol, c.endCol) << c.name;
    EXPECT_EQ(ed.view.CursorRow, c.endRow) << c.name;
    EXPECT_EQ(ed.view.ScrollPos, c.endScroll) << c.name;
  }
}

TEST(EditorModel, PasteAtTheEndOfTheGridKeepsWhatIsThere) {
  Editor ed;
  test::SetFormulaText(*ed.e, "");
  ed.e->FormulaGrid[29][39] = 'Z';
  ed.e->FormulaGrid[29][37] = 'Y';
  ed.view.CursorCol = 38;
  ed.view.CursorRow = 29;
  ed.view.InsertMode = false;
  const PasteResult r = ed.model.Paste(U"abc");
  // A and B land in the last two cells; C would overwrite B and is left out.
  EXPECT_EQ(ed.Line(29).substr(37), "YAB");
  EXPECT_EQ(r.leftOut, 1u);
}

}  // namespace
}  // namespace tervo
