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

}  // namespace
}  // namespace tervo
