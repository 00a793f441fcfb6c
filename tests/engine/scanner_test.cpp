// Formula collection and scanning: the postfix rows, implied AND, the
// error codes and the scanner's limits.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tervo {
namespace {

struct Row {
  char var;
  char op;
  int pr;
};

std::vector<Row> Rows(const Engine& e) {
  std::vector<Row> rows;
  for (int r = 1; r < e.PostfixCount; ++r)
    rows.push_back({static_cast<char>(e.PostfixTable[r].var), e.PostfixTable[r].op, e.PostfixTable[r].pr});
  return rows;
}

std::string Describe(const std::vector<Row>& rows) {
  std::string s;
  for (const auto& r : rows) s += std::string("(") + r.var + "," + r.op + "," + std::to_string(r.pr) + ")";
  return s;
}

TEST(CollectFormula, ReadsRowsInOrderAndDropsBlanks) {
  auto e = test::NewEngine();
  e->FormulaGrid[0][3] = 'A';
  e->FormulaGrid[0][39] = '+';
  e->FormulaGrid[2][0] = 'B';
  CollectFormula(*e);
  EXPECT_EQ(e->ErrorCode, kOk);
  EXPECT_EQ(std::string(e->FormulaText.data() + 1, 4), "A+B ");
  EXPECT_EQ(e->FormulaText[kFormulaChars], ' ');
}

TEST(CollectFormula, EmptyGridIsEmptyWindow) {
  auto e = test::NewEngine();
  CollectFormula(*e);
  EXPECT_EQ(e->ErrorCode, kEmptyWindow);
}

TEST(Scanner, BuildsTheRowsOfTheWorkedExamples) {
  const struct {
    const char* formula;
    const char* rows;
  } cases[] = {
      {"(A+B).C", "(A,+,12)(B,.,5)(C, ,0)"},
      {"A/B", "(A,.,5)( ,/,6)(B, ,0)"},
      {"AB+C", "(A,.,5)(B,+,2)(C, ,0)"},
      {"A", "(A, ,0)"},
      {"(((A)))", "(A, ,0)"},
      {"a+B", "(A,+,2)(B, ,0)"},
      {"A 1+ B", "(A,+,2)(B, ,0)"},
      {"A>B+C-D=E.F", "(A,>,1)(B,+,2)(C,-,3)(D,=,4)(E,.,5)(F, ,0)"},
      // implied AND between neighbouring operands
      {"A(B)", "(A,.,5)(B, ,0)"},
      {"(A)B", "(A,.,5)(B, ,0)"},
      {"(A)(B)", "(A,.,5)(B, ,0)"},
      {"/A/B", "( ,/,6)(A,.,5)( ,/,6)(B, ,0)"},
      {"//A", "( ,/,6)( ,/,6)(A, ,0)"},
      {"/(A+B)", "( ,/,6)(A,+,12)(B, ,0)"},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    ASSERT_EQ(test::Scan(*e, c.formula), kOk) << c.formula;
    EXPECT_EQ(Describe(Rows(*e)), c.rows) << c.formula;
    EXPECT_EQ(e->PostfixTable[e->PostfixCount].var, ' ') << c.formula;
  }
}

TEST(Scanner, ReportsSyntaxAndPriorityErrors) {
  const struct {
    const char* formula;
    uint8_t code;
  } cases[] = {
      {"A+", kSyntaxError},      {"+A", kSyntaxError},     {"A++B", kSyntaxError},
      {"A+)", kSyntaxError},     {")A", kSyntaxError},     {"A()", kSyntaxError},
      {"/", kSyntaxError},       {"A./", kSyntaxError},    {"(/)", kSyntaxError},
      {"A)", kPriorityError},    {"(A", kPriorityError},   {"(", kPriorityError},
      {"(A+", kPriorityError},   {"A.(B", kPriorityError}, {"((A)", kPriorityError},
      {"A+B", kOk},              {"A..B", kSyntaxError},   {"A.)B", kSyntaxError},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    EXPECT_EQ(test::Scan(*e, c.formula), c.code) << c.formula;
  }
}

TEST(Scanner, StopsAtTheFirstError) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Scan(*e, "A++B"), kSyntaxError);
  EXPECT_EQ(e->ScanPos, 4);  // just past the second '+'
  EXPECT_EQ(e->PostfixCount, 2);
}

TEST(Scanner, AcceptsTwentyOneNestedBracketsButNotTwentyTwo) {
  auto e = test::NewEngine();
  EXPECT_EQ(test::Scan(*e, std::string(21, '(') + "A+B" + std::string(21, ')')), kOk);
  EXPECT_EQ(e->PostfixTable[1].pr, 212);
  EXPECT_EQ(test::Scan(*e, std::string(22, '(') + "A" + std::string(22, ')')), kPriorityError);
}

TEST(Scanner, AcceptsTwoHundredFiftyFourRowsButNotMore) {
  auto e = test::NewEngine();
  // 127 variables and 127 inversions: 254 rows
  std::string f;
  for (int i = 0; i < 127; ++i) f += (i ? "+/A" : "/A");
  EXPECT_EQ(test::Scan(*e, f), kOk);
  EXPECT_EQ(e->PostfixCount, 255);
  EXPECT_EQ(test::Scan(*e, f + "+B"), kPostfixOverflow);
}

TEST(Scanner, ScansTheLastPositionOfTheGrid) {
  // A full grid of ignored digits with the formula's ends in the first and
  // the last cell.
  auto fill = [](Engine& e, char first, char second, char last) {
    for (auto& row : e.FormulaGrid) row.fill('1');
    e.FormulaGrid[0][0] = first;
    e.FormulaGrid[0][1] = second;
    e.FormulaGrid[kGridRows - 1][kGridCols - 1] = last;
    e.ErrorCode = kOk;
    CollectFormula(e);
    ScanFormula(e);
  };
  auto e = test::NewEngine();
  fill(*e, '(', 'A', ')');
  EXPECT_EQ(e->ErrorCode, kOk);  // without the last ')' it would be a PRIORITY ERROR
  fill(*e, '1', 'A', 'B');
  EXPECT_EQ(e->ErrorCode, kOk);
  EXPECT_EQ(Describe(Rows(*e)), "(A,.,5)(B, ,0)");
}

TEST(OperatorPriority, RanksTheOperators) {
  EXPECT_EQ(OperatorPriority('>'), 1);
  EXPECT_EQ(OperatorPriority('+'), 2);
  EXPECT_EQ(OperatorPriority('-'), 3);
  EXPECT_EQ(OperatorPriority('='), 4);
  EXPECT_EQ(OperatorPriority('.'), 5);
  EXPECT_EQ(OperatorPriority('/'), 6);
  EXPECT_EQ(OperatorPriority(' '), 0);
  EXPECT_EQ(OperatorPriority('A'), 0);
}

}  // namespace
}  // namespace tervo
