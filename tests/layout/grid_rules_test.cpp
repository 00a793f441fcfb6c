// The editor and the formula files share one idea of what a grid cell may
// hold: every byte the editor lets in at a place passes the files' check
// of that place, and every byte it refuses there is refused by the check.
#include <gtest/gtest.h>

#include <memory>

#include "editor_model.h"
#include "grid_rules.h"
#include "text_format.h"

namespace tervo {
namespace {

TEST(GridRules, TheEditorAndTheFileCheckTakeTheSameBytes) {
  const struct {
    const char* where;
    bool formula;
    int row;  // screen row of the cursor
    bool (*check)(char);
  } places[] = {
      {"formula grid", true, 0, [](char c) { return IsFormulaCell(c); }},
      {"table header", false, 0, [](char c) { return IsTableCell(c, true); }},
      {"table term line", false, 3, [](char c) { return IsTableCell(c, false); }},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.where);
    auto e = std::make_unique<Engine>();
    EditorView view;
    EditorModel editor(*e, view);
    e->FormulaMode = place.formula ? 1 : 0;
    for (int b = 0; b < 256; ++b) {
      const char typed = static_cast<char>(b);
      view.CursorRow = static_cast<uint8_t>(place.row);
      // Typing folds a..z: the grid holds the folded character.
      EXPECT_EQ(editor.Accepts(typed), place.check(FoldUpper(typed))) << "byte " << b;
    }
  }
}

}  // namespace
}  // namespace tervo
