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

TEST(TablePaste, ReadsEachWayOfWritingATable) {
  const struct {
    const char* name;
    std::u32string text;
    int firstLine;
    std::vector<std::string> lines;
  } cases[] = {
      {"copy as table", U"A.B.C\n1 1 x\n0 x 1\n", 0, {"ABC", "11", "0 1"}},
      {"header separators", U"a, b\tc d.e", 0, {"ABCDE"}},
      {"header and a variable called X", U"X.Y\nx 1", 0, {"XY", " 1"}},
      {"don't-cares", U"x X - 2 1", 1, {"    1"}},
      {"no separators", U"11-0\r\nx01", 1, {"11 0", " 01"}},
      {"grid layout: a blank is a free cell", U"11 0", 1, {"11 0"}},
      {"spaced: a blank in a cell's place is free", U"1   0", 1, {"1 0"}},
      {"commas, an empty field is free", U"1,,0,x", 1, {"1 0"}},
      {"tabs and blanks around cells", U"1\t \t0 \t1", 1, {"1 01"}},
      {"commas with blanks", U"1, 0, 1", 1, {"101"}},
      {"empty lines stay empty", U"1\n\n0", 1, {"1", "", "0"}},
      {"trailing blanks carry nothing", U"1 0   \t", 1, {"10"}},
      {"a header joined by + alone", U"A+B+C", 0, {"ABC"}},
  };
  for (const auto& c : cases) {
    PastedTable t;
    const auto refusal = ReadPastedTable(c.text, c.firstLine, kTableCols, kTableLines - 1, t);
    ASSERT_FALSE(refusal) << c.name << ": " << refusal->Text();
    EXPECT_EQ(t.lines, c.lines) << c.name;
    EXPECT_FALSE(t.turned) << c.name;
  }
}

TEST(TablePaste, RefusesALineItCannotReadWithItsPlace) {
  const struct {
    std::u32string text;
    int firstLine, cols;
    const char* refusal;
  } cases[] = {
      {U"A.B\n1 1\n1 y", 0, 15, "line 3, column 3: \"y\" is not a table cell"},
      {U"A|B", 0, 15, "line 1, column 2: \"|\" is not a variable letter"},
      {U"A.B+C", 0, 15, "line 1, column 4: \"+\" mixes with \".\""},
      {U"1 1 x", 0, 15, "line 1, column 1: \"1\" is not a variable letter"},
      {U"A.B", 1, 15, "line 1, column 1: \"A\" is not a table cell"},
      {U"1,0;1", 1, 15, "line 1, column 4: \";\""},
      {U"1\u00a00", 1, 15, "line 1, column 2: \"\u00a0\" (U+00A0)"},
      {U"1 0 1", 1, 2, "line 1, column 5: \"1\" falls past the table's last column: from the paste's first column there is room for 2"},
      {U"ABC", 0, 2, "line 1, column 3: \"C\" falls past"},
      {U"1\nx x", 1, 15, "line 2, column 1: a row of free cells only is 1 everywhere"},
      {U"A+B\n1 1\n", 0, 15, "the rows where the function is 0 make 2 rows where it is 1, and there are 1 lines"},
  };
  for (const auto& c : cases) {
    PastedTable t;
    const auto refusal = ReadPastedTable(c.text, c.firstLine, c.cols, c.firstLine == 0 ? 1 : kTableLines - 1, t);
    ASSERT_TRUE(refusal) << c.refusal;
    EXPECT_NE(refusal->Text().find(c.refusal), std::string::npos) << refusal->Text();
  }
}

// Rows where the function is 0 ("DNF", the header joined by "+") go in as
// rows where it is 1.
TEST(TablePaste, TurnsRowsWhereTheFunctionIsZero) {
  const struct {
    std::u32string text;
    std::vector<std::string> lines;
  } cases[] = {
      {U"A+B\n1 x\nx 1\n", {"AB", "11"}},           // (A).(B)
      {U"A+B\n1 1\n", {"AB", "1", " 1"}},            // (A+B)
      {U"A+B+C\n0 0 0\n", {"ABC", "0", " 0", "  0"}},  // (/A+/B+/C)
      {U"A+B\nx x\n", {"AB"}},                       // a sum of nothing: 0 everywhere
  };
  for (const auto& c : cases) {
    PastedTable t;
    const auto refusal = ReadPastedTable(c.text, 0, kTableCols, kTableLines - 1, t);
    ASSERT_FALSE(refusal) << refusal->Text();
    EXPECT_TRUE(t.turned);
    // The rows in any order below the header.
    std::vector<std::string> lines = t.lines, expected = c.lines;
    std::sort(lines.begin() + 1, lines.end());
    std::sort(expected.begin() + 1, expected.end());
    EXPECT_EQ(lines, expected);
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
      ASSERT_EQ(IsCovered(*again, uint16_t(a)), ResultValue(*first, uint16_t(a))) << formula << "\n" << copied << "row " << a;
    ++runs;
  }
  // Most formulas are not constant, and about half the runs were "DNF".
  EXPECT_GT(runs, 250);
  EXPECT_GT(turned, 80);
}

}  // namespace
}  // namespace tervo
