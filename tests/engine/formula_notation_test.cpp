// Formulas in other notations turned into ours, and what cannot be turned.
#include "formula_notation.h"

#include <gtest/gtest.h>

#include <string>

namespace tervo {
namespace {

TEST(FormulaNotation, TranslatesEachNotationIntoOurs) {
  const struct {
    const char* written;  // UTF-8
    const char* ours;
  } cases[] = {
      {"a.b+/a.c", "A.B+/A.C"},  // our own, only folded
      {"A|B", "A+B"},
      {"A||B", "A+B"},
      {"A \u2228 B", "A + B"},
      {"A&B", "A.B"},
      {"A&&B", "A.B"},
      {"A*B", "A.B"},
      {"A\u2227B", "A.B"},
      {"A\u00B7B", "A.B"},
      {"A\u22C5B", "A.B"},
      {"!A", "/A"},
      {"~A", "/A"},
      {"\u00ACA", "/A"},
      {"A'", "/A"},
      {"A\u2019B\u2032", "/A/B"},
      {"AB'", "A/B"},          // the inversion belongs to the letter before it only
      {"(A+B)'", "/(A+B)"},     // or to the whole bracket
      {"((A)+(B))' C", "/((A)+(B)) C"},
      {"A ''", "//A "},         // blanks between stay where they were
      {"(A)''", "//(A)"},
      {"A^B", "A-B"},
      {"A\u2295B\u22BBC", "A-B-C"},
      {"A->B", "A>B"},
      {"A=>B", "A>B"},
      {"A\u2192B\u21D2C", "A>B>C"},
      {"A<->B", "A=B"},
      {"A<=>B", "A=B"},
      {"A==B", "A=B"},
      {"A\u2194B\u21D4C\u2261D", "A=B=C=D"},
      {"A-B", "A-B"},           // our own exclusive OR is not an arrow
      {"a\tb\u00A0c", "A B C"},
      {"a\r\n+b'\n", "A\r\n+/B\n"},  // line breaks stay, and ' looks back only within the text
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string out = "junk";
    const auto refusal = TranslateFormula(std::string_view(c.written), out);
    EXPECT_FALSE(refusal) << c.written << ": " << (refusal ? refusal->Text() : "");
    EXPECT_EQ(out, c.ours) << c.written;
  }
}

TEST(FormulaNotation, RefusesWhatItCannotTranslateWithItsPlace) {
  const struct {
    const char* written;
    int line, column;
    const char* text;
  } cases[] = {
      {"A@B", 1, 2, "line 1, column 2: \"@\" is not in the formula language"},
      {"A+B\n+ C1", 2, 4, "line 2, column 4: \"1\" is not in the formula language"},
      {"A\r\nB\rC;", 3, 2, "line 3, column 2: \";\""},
      {"\u00AC\u00AC \u00A7", 1, 4, "line 1, column 4: \"\u00A7\" (U+00A7)"},  // columns count characters
      {"A<B", 1, 2, "\"<\""},
      {"A<-B", 1, 2, "\"<\""},
      {"A\x01", 1, 2, "U+0001"},
      {"A\tB\xff", 1, 4, "byte 0xff"},
      {"A\xe2\x88", 1, 2, "byte 0xe2"},
      {"'A", 1, 1, "\"'\" inverts what stands before it"},
      {"A+'", 1, 3, "\"'\" inverts"},
      {"(A+'B)", 1, 4, "\"'\" inverts"},
      {"A)'", 1, 3, "\"'\" inverts"},  // a ")" without its "("
      {"A\u2019", 0, 0, ""},
  };
  for (const auto& c : cases) {
    std::string out = "kept";
    const auto refusal = TranslateFormula(std::string_view(c.written), out);
    if (c.line == 0) {
      EXPECT_FALSE(refusal) << c.written;
      continue;
    }
    ASSERT_TRUE(refusal) << c.written;
    EXPECT_EQ(refusal->line, c.line) << c.written;
    EXPECT_EQ(refusal->column, c.column) << c.written;
    EXPECT_NE(refusal->Text().find(c.text), std::string::npos) << refusal->Text();
    EXPECT_EQ(out, "kept") << c.written;
  }
}

}  // namespace
}  // namespace tervo
