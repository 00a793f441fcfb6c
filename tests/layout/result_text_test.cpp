// The result as clipboard text: the formula in the system's operators, read
// back by the translator to the same function, and the table as shown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid_text.h"
#include "logic_unit.h"
#include "pipeline.h"
#include "result_text.h"
#include "xlate_unit.h"

namespace tervo {
namespace {

// Put terms given as output rows ("1x0": 1, x or 0 per variable, as shown)
// into the truth table over the letters.
void SetResult(Engine& e, const char* letters, bool cnf, const std::vector<std::string>& rows) {
  const std::string v = letters;
  e.VariableTable.fill(0);
  std::copy(v.begin(), v.end(), e.VariableTable.begin());
  e.VariableCount = static_cast<uint8_t>(v.size());
  e.CnfMode = cnf ? 1 : 0;
  e.TermCount = 0;
  for (const std::string& row : rows) {
    uint16_t value = 0, mask = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (row[i] == 'x') continue;
      mask |= static_cast<uint16_t>(1u << i);
      // A "DNF" row is shown inverted.
      if ((row[i] == '1') == cnf) value |= static_cast<uint16_t>(1u << i);
    }
    ++e.TermCount;
    e.TermValue[e.TermCount] = value;
    e.TermMask[e.TermCount] = mask;
  }
}

TEST(ResultText, FormulaInTheSystemsOperators) {
  const struct {
    const char* letters;
    bool cnf;
    std::vector<std::string> rows;
    const char* formula;
  } cases[] = {
      {"ABC", true, {"11x", "0x1"}, "A.B+/A.C"},
      {"ABCD", false, {"11xx", "xx01"}, "(A+B).(/C+D)"},
      {"AB", false, {"1x", "x0"}, "A./B"},  // a sum of one literal needs no brackets
      {"CAB", true, {"101"}, "C./A.B"},    // the letters in the table's order
      {"AB", true, {}, ""},                // no rows: nothing to copy
      {"AB", true, {"1x", "xx"}, ""},      // a row without a variable is a constant
  };
  for (const auto& c : cases) {
    Engine e;
    SetResult(e, c.letters, c.cnf, c.rows);
    EXPECT_EQ(ResultFormula(e), c.formula) << c.formula;
  }
}

TEST(ResultText, TableAsShown) {
  Engine e;
  SetResult(e, "ABC", true, {"11x", "0x1"});
  EXPECT_EQ(ResultTableText(e), "A.B.C\n1 1 x\n0 x 1\n");
  SetResult(e, "AB", false, {"1x"});
  EXPECT_EQ(ResultTableText(e), "A+B\n1 x\n");
  SetResult(e, "", true, {});
  EXPECT_EQ(ResultTableText(e), "");
}

// A reduced result, copied as a formula and run again, is the same function
// in both modes.
TEST(ResultText, FormulaRunsBackToTheSameFunction) {
  for (const char* formula : {"A.B+/A.C+B./D", "(A-B).(C=D)+E", "A>B.C"}) {
    for (const bool cnf : {true, false}) {
      auto first = std::make_unique<Engine>();
      test::SetFormulaText(*first, formula);
      first->CnfMode = cnf ? 1 : 0;
      NullHost host;
      ASSERT_TRUE(RunGo(*first, host).verified) << formula;
      const std::string copied = ResultFormula(*first);
      ASSERT_FALSE(copied.empty()) << formula;

      auto again = std::make_unique<Engine>();
      test::SetFormulaText(*again, copied);
      again->CnfMode = cnf ? 1 : 0;
      again->ReduceOn = 0;
      ASSERT_EQ(RunGo(*again, host).code, kOk) << copied;
      // Same letters in the same order, and the same rows where it is 1.
      ASSERT_EQ(again->Variables(), first->Variables()) << copied;
      for (uint32_t a = 0; a <= first->FullMask; ++a)
        EXPECT_EQ(IsCovered(*again, uint16_t(a)), IsCovered(*first, uint16_t(a))) << copied << " row " << a;
    }
  }
}

}  // namespace
}  // namespace tervo
