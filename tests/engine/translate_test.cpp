// Variable numbering, director generation and truth-table evaluation.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tervo {
namespace {

std::string Program(const Engine& e) {
  std::string s;
  for (int r = 1; r <= e.DirectorCount; ++r) {
    const Director& d = e.DirectorTable[r];
    s += std::string("[") + d.op + " " + std::to_string(d.dest) + " " + std::to_string(d.sc1) + " " +
         std::to_string(d.sc2) + "]";
  }
  return s;
}

uint8_t Compile(Engine& e, const std::string& f) {
  if (test::Scan(e, f) != kOk) return e.ErrorCode;
  BuildVariableTable(e);
  GenerateDirectors(e);
  return e.ErrorCode;
}

// Value of a compiled formula on one assignment (bit v-1 = variable v).
int ValueAt(Engine& e, uint16_t row) {
  LoadRow(e, row);
  return EvaluateDirectors(e);
}

TEST(Directors, CompileTheWorkedExamples) {
  const struct {
    const char* formula;
    const char* program;
  } cases[] = {
      {"(A+B).C", "[+ 20 1 2][. 20 20 3][Q 20 0 0]"},
      {"A/B.C", "[/ 20 0 2][. 20 1 20][. 20 20 3][Q 20 0 0]"},
      {"A", "[Q 1 0 0]"},
      {"A+B", "[+ 20 1 2][Q 20 0 0]"},
      {"A.B.C.D", "[. 20 1 2][. 20 20 3][. 20 20 4][Q 20 0 0]"},  // a chain reuses one cell
      {"A.B+C.D", "[. 20 1 2][. 21 3 4][+ 21 20 21][Q 21 0 0]"},
      {"//A", "[/ 20 0 1][/ 20 0 20][Q 20 0 0]"},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    ASSERT_EQ(Compile(*e, c.formula), kOk) << c.formula;
    EXPECT_EQ(Program(*e), c.program) << c.formula;
    EXPECT_EQ(e->PostfixCount, 2) << c.formula;
  }
}

TEST(Directors, NumberVariablesByTheAlphabet) {
  auto e = test::NewEngine();
  ASSERT_EQ(Compile(*e, "Z+A"), kOk);
  EXPECT_EQ(e->Variables(), "AZ");
  EXPECT_EQ(Program(*e), "[+ 20 2 1][Q 20 0 0]");
}

TEST(Directors, GroupOperatorsByPriorityThenLeftToRight) {
  // Truth tables over A=bit0, B=bit1, C=bit2, listed for rows 0..7.
  const struct {
    const char* formula;
    const char* values;
  } cases[] = {
      {"A-B-C", "01101001"},    // (A-B)-C
      {"A>B>C", "01001111"},    // (A>B)>C, which differs from A>(B>C)
      {"A+B.C", "01010111"},    // A+(B.C)
      {"(A+B).C", "00000111"},  // as written
      {"A=B=C", "01101001"},    // (A=B)=C
      {"//A.B.C", "00000001"},  // //A is A
      {"///A.B.C", "00000010"}, // ///A is /A
      {"/(/A).B.C", "00000001"},
      {"A./B+C", "01001111"},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    ASSERT_EQ(Compile(*e, c.formula), kOk) << c.formula;
    std::string got;
    for (uint16_t r = 0; r < 8; ++r) got += static_cast<char>('0' + ValueAt(*e, r));
    EXPECT_EQ(got, c.values) << c.formula;
  }
}

TEST(Directors, OperatorMeanings) {
  // rows 0..3 with A = bit 0, B = bit 1
  const struct {
    const char* formula;
    const char* values;
  } cases[] = {
      {"A.B", "0001"}, {"A+B", "0111"}, {"A-B", "0110"}, {"A=B", "1001"}, {"A>B", "1011"}, {"/A.B", "0010"},
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    ASSERT_EQ(Compile(*e, c.formula), kOk);
    std::string got;
    for (uint16_t r = 0; r < 4; ++r) got += static_cast<char>('0' + ValueAt(*e, r));
    EXPECT_EQ(got, c.values) << c.formula;
  }
}

TEST(Directors, FifteenVariablesFitButSixteenDoNot) {
  auto e = test::NewEngine();
  EXPECT_EQ(Compile(*e, "A+B+C+D+E+F+G+H+I+J+K+L+M+N+O"), kOk);
  EXPECT_EQ(e->VariableCount, 15);
  EXPECT_EQ(Compile(*e, "A+B+C+D+E+F+G+H+I+J+K+L+M+N+O+P"), kTooManyVariables);
  EXPECT_EQ(e->VariableCount, 15);
  // Only the EndDirector was written.
  EXPECT_EQ(e->DirectorCount, 1);
  EXPECT_EQ(e->DirectorTable[1].op, 'Q');
}

TEST(Directors, FortyFourIntermediatesFitButFortyFiveDoNot) {
  // Each product of two plain variables needs a fresh intermediate.
  auto products = [](int count) {
    std::string f;
    for (int i = 0; i < count; ++i) f += std::string(i ? "+" : "") + "AB";
    return f;
  };
  auto e = test::NewEngine();
  EXPECT_EQ(Compile(*e, products(44)), kOk);
  EXPECT_EQ(Compile(*e, products(45)), kTooManyIntermediates);
  // The director that needed cell 64 is written, then the EndDirector.
  const Director& last = e->DirectorTable[e->DirectorCount - 1];
  EXPECT_EQ(last.dest, 64);
  EXPECT_EQ(e->DirectorTable[e->DirectorCount].op, 'Q');
}

TEST(Directors, TheDirectorTableHoldsTheLongestFormula) {
  // 254 rows need 253 operations; the table holds them all.
  std::string f = "A";
  for (int i = 1; i < 254; ++i) f += ".A";
  auto e = test::NewEngine();
  EXPECT_EQ(Compile(*e, f), kOk);
  EXPECT_EQ(e->DirectorCount, 254);
}

TEST(Evaluate, CollectsRowsMatchingTheMode) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "A"), kOk);
  ASSERT_EQ(e->TermCount, 1);
  EXPECT_EQ(e->TermValue[1], 1);
  EXPECT_EQ(e->TermMask[1], 1);

  e->CnfMode = 0;
  ASSERT_EQ(test::Translate(*e, "A"), kOk);
  ASSERT_EQ(e->TermCount, 1);
  EXPECT_EQ(e->TermValue[1], 0);

  e->CnfMode = 1;
  ASSERT_EQ(test::Translate(*e, "B./A"), kOk);
  ASSERT_EQ(e->TermCount, 1);
  EXPECT_EQ(e->TermValue[1], 2);  // A = 0 in bit 0, B = 1 in bit 1
  EXPECT_EQ(e->TermMask[1], 3);

  ASSERT_EQ(test::Translate(*e, "C.A"), kOk);
  EXPECT_EQ(e->TermValue[1], 3);

  e->CnfMode = 0;
  ASSERT_EQ(test::Translate(*e, "A.B"), kOk);
  ASSERT_EQ(e->TermCount, 3);
  EXPECT_EQ(e->TermValue[1], 0);
  EXPECT_EQ(e->TermValue[2], 1);
  EXPECT_EQ(e->TermValue[3], 2);
}

TEST(Evaluate, ReportsConstantFunctionsInBothModes) {
  for (uint8_t cnf : {1, 0}) {
    auto e = test::NewEngine();
    e->CnfMode = cnf;
    EXPECT_EQ(test::Translate(*e, "A+/A"), kTautology);
    EXPECT_EQ(test::Translate(*e, "A./A"), kInconsistent);
    EXPECT_EQ(test::Translate(*e, "(A>B)+(B>A)"), kTautology);
  }
}

TEST(Evaluate, LoadRowAgreesWithTheTableRowByRow) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "(A-B)>(C=/D)+E.F"), kOk);
  std::vector<bool> inTable(64, false);
  for (int t = 1; t <= e->TermCount; ++t) inTable[e->TermValue[t]] = true;
  for (uint16_t r = 0; r < 64; ++r) EXPECT_EQ(ValueAt(*e, r) == 1, inTable[r]) << r;
}

TEST(Evaluate, FifteenVariablesAllRowsButOne) {
  const char* f = "/(A.B.C.D.E.F.G.H.I.J.K.L.M.N.O)";
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, f), kOk);
  EXPECT_EQ(e->TermCount, 32767);
  EXPECT_EQ(e->TermValue[32767], 32766);
  EXPECT_EQ(e->ValueTable[16], 1);  // the counter carried past the last variable
  e->CnfMode = 0;
  ASSERT_EQ(test::Translate(*e, f), kOk);
  ASSERT_EQ(e->TermCount, 1);
  EXPECT_EQ(e->TermValue[1], 0x7FFF);
  EXPECT_EQ(e->TermMask[1], 0x7FFF);
}

TEST(LowMask, SetsTheLowBits) {
  EXPECT_EQ(LowMask(0), 0);
  EXPECT_EQ(LowMask(1), 1);
  EXPECT_EQ(LowMask(15), 0x7FFF);
  EXPECT_EQ(LowMask(16), 0xFFFF);
}

}  // namespace
}  // namespace tervo
