// Table text read for the table editor, and the result copied as a table
// pasting back to the same function.
#include "table_paste.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "editor_model.h"
#include "grid_text.h"
#include "logic_unit.h"
#include "pipeline.h"
#include "result_text.h"

namespace tervo {
namespace {

// Each way of writing a table, and a copy made in "DNF" (the header joined
// by "+"), whose rows where the function is 0 go in as rows where it is 1.
TEST(TablePaste, ReadsEachWayOfWritingATable) {
  const struct {
    std::u32string text;
    int firstLine;
    std::vector<std::string> lines;  // below the header in any order
    bool turned;
  } cases[] = {
      {U"A.B.C\n1 1 x\n0 x 1\n", 0, {"ABC", "11", "0 1"}, false},  // copy as table
      {U"a, b\tc d.x", 0, {"ABCDX"}, false},                       // header separators; x is a letter there
      {U"x X - 2 1", 1, {"    1"}, false},
      {U"11-0\r\nx01\n11 0\n1   0", 1, {"11 0", " 01", "11 0", "1 0"}, false},  // no separators, grid, spaced
      {U"1,,0,x\n1\t \t0 \t1\n1, 0, 1", 1, {"1 0", "1 01", "101"}, false},      // commas and tabs
      {U"1\n\n0 1   \t", 1, {"1", "", "01"}, false},
      {U"A+B+C", 0, {"ABC"}, false},                            // a header alone
      {U"A+B\n1 x\nx 1\n", 0, {"AB", "11"}, true},              // (A).(B)
      {U"A+B+C\n0 0 0\n", 0, {"ABC", "0", " 0", "  0"}, true},  // (/A+/B+/C)
      {U"A+B\nx x\n", 0, {"AB"}, true},                         // a sum of nothing: 0 everywhere
  };
  for (const auto& c : cases) {
    PastedTable t;
    const auto refusal = ReadPastedTable(c.text, c.firstLine, kTableCols, kTableLines - 1, t);
    ASSERT_FALSE(refusal) << refusal->Text();
    std::vector<std::string> lines = t.lines, expected = c.lines;
    if (c.turned) {
      std::sort(lines.begin() + 1, lines.end());
      std::sort(expected.begin() + 1, expected.end());
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(t.turned, c.turned);
  }
}

TEST(TablePaste, RefusesALineItCannotReadWithItsPlace) {
  const struct {
    std::u32string text;
    int firstLine, cols;
    const char* refusal;
  } cases[] = {
      {U"A.B\n1 1\n1 y", 0, 15, "line 3, column 3: \"y\" is not a table cell"},
      {U"A.B+C", 0, 15, "line 1, column 4: \"+\" mixes with \".\""},
      {U"1 1 x", 0, 15, "line 1, column 1: \"1\" is not a variable letter"},
      {U"1,0;1", 1, 15, "line 1, column 4: \";\""},
      {U"1 0 1", 1, 2, "line 1, column 5: \"1\" falls past the last column: from the cursor there is room for 2"},
      {U"ABC", 0, 2, "line 1, column 3: \"C\" falls past"},
      {U"1\nx x", 1, 15, "line 2, column 1: a row of free cells only (1 everywhere)"},
      {U"A+B\n1 1\n", 0, 15,
       "the rows where the function is 0 make 2 rows where it is 1, and the table has room for 1"},
  };
  for (const auto& c : cases) {
    PastedTable t;
    const auto refusal = ReadPastedTable(c.text, c.firstLine, c.cols, c.firstLine == 0 ? 1 : kTableLines - 1, t);
    ASSERT_TRUE(refusal) << c.refusal;
    EXPECT_NE(refusal->Text().find(c.refusal), std::string::npos) << refusal->Text();
  }
}

// What a run leaves in the truth table, as a function of the assignment:
// the rows list where it is 1 ("CNF") or where it is 0 ("DNF").
bool ResultValue(const Engine& e, uint16_t a) { return IsCovered(e, a) == (e.CnfMode != 0); }

// A random formula over the letters, of about `leaves` operands.
std::string RandomFormula(std::mt19937& rng, const std::string& letters, int leaves) {
  if (leaves <= 1) {
    std::string s = rng() % 3 == 0 ? "/" : "";
    return s + letters[rng() % letters.size()];
  }
  const int left = 1 + static_cast<int>(rng() % static_cast<unsigned>(leaves - 1));
  static const char ops[] = ".+-=>..++";
  std::string s = "(" + RandomFormula(rng, letters, left) + ops[rng() % (sizeof ops - 1)] +
                  RandomFormula(rng, letters, leaves - left) + ")";
  return rng() % 4 == 0 ? "/" + s : s;
}

// "copy as table" of any result, pasted into an empty table at the top,
// reads back as the same function of the same letters, whether the rows
// listed where it is 1 or where it is 0, reduced or not.
TEST(TablePaste, CopyAsTablePastesBackToTheSameFunction) {
  std::mt19937 rng(4242);
  int runs = 0, turned = 0;
  for (int i = 0; i < 400; ++i) {
    std::string pool = "ABCDWXYZ";
    std::shuffle(pool.begin(), pool.end(), rng);
    const std::string letters = pool.substr(0, 1 + rng() % 6);
    const std::string formula = RandomFormula(rng, letters, 2 + static_cast<int>(rng() % 12));

    auto first = std::make_unique<Engine>();
    test::SetFormulaText(*first, formula);
    first->CnfMode = rng() % 2;
    first->ReduceOn = rng() % 3 != 0;
    NullHost host;
    if (RunGo(*first, host).code != kOk) continue;  // constant functions have no result
    const std::string copied = ResultTableText(*first);
    ASSERT_FALSE(copied.empty()) << formula;

    auto again = std::make_unique<Engine>();
    again->FormulaMode = 0;
    test::SetTableText(*again, "");
    EditorView view;
    EditorModel model(*again, view);
    const PasteResult pasted = model.Paste(std::u32string(copied.begin(), copied.end()));
    ASSERT_EQ(pasted.refusal, "") << copied;
    turned += !pasted.note.empty();
    ReadTable(*again);
    ASSERT_EQ(again->ErrorCode, kOk) << copied;
    ASSERT_EQ(again->Variables(), first->Variables()) << copied;
    for (uint32_t a = 0; a < (1u << first->VariableCount); ++a)
      ASSERT_EQ(IsCovered(*again, uint16_t(a)), ResultValue(*first, uint16_t(a))) << formula << "\n"
                                                                                  << copied << "row " << a;
    ++runs;
  }
  // Most formulas are not constant, and about half the runs were "DNF".
  EXPECT_GT(runs, 250);
  EXPECT_GT(turned, 80);
}

}  // namespace
}  // namespace tervo
