// The reader of typed tables: error codes, what is left unchanged, and how
// columns map to term bits.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tervo {
namespace {

TEST(ReadTable, RefusesBadHeaders) {
  const struct {
    const char* table;
    uint8_t code;
  } cases[] = {
      {"ABA\n111", kDuplicateVariables},
      {"A B A\n1", kDuplicateVariables},
      {"   \n111", kMissingVariables},
      {"", kMissingVariables},
      {"AB\n111", kMissingVariables},    // a "1" under a blank header cell
      {"A C\n1 0", kOk},                  // a gap with nothing under it
      {"A C\n 1 ", kMissingVariables},
      {"AB\n\n\n", kOk},                  // letters and no term: no error here
  };
  for (const auto& c : cases) {
    auto e = test::NewEngine();
    EXPECT_EQ(test::Table(*e, c.table), c.code) << c.table;
  }
}

TEST(ReadTable, EarlyRefusalLeavesThePreviousRunAlone) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "XY\n10\n01"), kOk);
  for (const char* bad : {"ABA\n1", "   \n1"}) {
    ASSERT_NE(test::Table(*e, bad), kOk);
    EXPECT_EQ(e->Variables(), "XY");
    EXPECT_EQ(e->TermCount, 2);
    EXPECT_EQ(e->InputCount, 2);
    EXPECT_EQ(e->InputValue[2], 2);
  }
}

TEST(ReadTable, MissingVariableStillReadsTheWholeTable) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "AB\n111\n01\n10"), kMissingVariables);
  EXPECT_EQ(e->TermCount, 3);
  EXPECT_EQ(e->InputCount, 3);
  EXPECT_EQ(e->TermMask[3], 3);
}

TEST(ReadTable, KeepsHeaderOrderAndMapsColumnsToBits) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "CAB\n101"), kOk);
  EXPECT_EQ(e->Variables(), "CAB");
  EXPECT_EQ(e->TermMask[1], 7);
  EXPECT_EQ(e->TermValue[1], 5);  // C = 1, A = 0, B = 1
}

TEST(ReadTable, ClosesAGapInTheHeader) {
  // The k-th letter from the left owns bit k-1, whatever blank columns lie before it.
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, " A  B\n 1  0\n    1"), kOk);
  EXPECT_EQ(e->Variables(), "AB");
  EXPECT_EQ(e->TermValue[1], 1);
  EXPECT_EQ(e->TermMask[1], 3);
  EXPECT_EQ(e->TermValue[2], 2);
  EXPECT_EQ(e->TermMask[2], 2);
  EXPECT_EQ(e->InputMask[2], 2);
}

TEST(ReadTable, SkipsBlankLinesAndKeepsLineOrder) {
  auto e = test::NewEngine();
  std::string t = "AB";
  for (int line = 1; line <= 100; ++line) t += "\n" + std::string(line == 3 ? "1" : line == 7 ? " 0" : line == 100 ? "11" : "");
  ASSERT_EQ(test::Table(*e, t), kOk);
  ASSERT_EQ(e->TermCount, 3);
  EXPECT_EQ(e->InputCount, 3);
  EXPECT_EQ(e->TermMask[1], 1);
  EXPECT_EQ(e->TermMask[2], 2);
  EXPECT_EQ(e->TermValue[3], 3);
}

TEST(ReadTable, HoldsFifteenVariablesAndAHundredTerms) {
  auto e = test::NewEngine();
  std::string t = "ABCDEFGHIJKLMNO";
  for (int line = 1; line <= 100; ++line) {
    std::string row(15, ' ');
    for (int c = 0; c < 15; ++c)
      if ((line + c) % 3) row[c] = ((line >> (c % 7)) & 1) ? '1' : '0';
    t += "\n" + row;
  }
  ASSERT_EQ(test::Table(*e, t), kOk);
  EXPECT_EQ(e->VariableCount, 15);
  EXPECT_EQ(e->TermCount, 100);
  EXPECT_EQ(e->InputCount, 100);
  test::Reduce(*e);
  EXPECT_TRUE(VerifyResult(*e));
}

TEST(ReadTable, KeepsDuplicateTermsUntilTheReductionDropsThem) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "AB\n10\n10"), kOk);
  EXPECT_EQ(e->TermCount, 2);
  EXPECT_EQ(e->InputCount, 2);
  test::Reduce(*e);
  EXPECT_EQ(e->TermCount, 1);
  EXPECT_TRUE(VerifyResult(*e));
}

TEST(ReadTable, TreatsForeignCharactersAsBlanks) {
  // The editor admits only 0, 1 and blanks, but a loaded file may hold anything.
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ab\n1x\nzz\n01"), kOk);
  EXPECT_EQ(e->Variables(), "AB");
  ASSERT_EQ(e->TermCount, 2);  // a line without 0 or 1 is no term
  EXPECT_EQ(e->TermMask[1], 1);
  EXPECT_EQ(e->TermValue[2], 2);
}

}  // namespace
}  // namespace tervo
