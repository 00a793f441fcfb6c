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
      {"A|B||C \u2228 D", "A+B+C + D"},
      {"A&B&&C*D\u2227E\u00B7F\u22C5G", "A.B.C.D.E.F.G"},
      {"!A~B\u00ACC", "/A/B/C"},
      {"A'B\u2019C\u2032", "/A/B/C"},    // a ' inverts the letter before it only
      {"((A)+(B))' C", "/((A)+(B)) C"},  // or the whole bracket; blanks stay
      {"A ''(A)''", "//A //(A)"},
      {"A^B\u2295C\u22BBD-E", "A-B-C-D-E"},  // our own - is no arrow
      {"A->B=>C\u2192D\u21D2E", "A>B>C>D>E"},
      {"A<->B<=>C==D\u2194E\u21D4F\u2261G", "A=B=C=D=E=F=G"},
      {"a\tb\u00A0c", "A B C"},
      {"a\r\n+b'\n", "A\r\n+/B\n"},
      {"\uFEFFa", "A"},  // a byte order mark
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
      {"A\r\nB\rC;", 3, 2, "line 3, column 2: \";\""},
      {"\u00AC\u00AC \u00A7", 1, 4, "line 1, column 4: \"\u00A7\" (U+00A7)"},  // columns count characters
      {"A<-B", 1, 2, "\"<\""},
      {"A\x01", 1, 2, "U+0001"},
      {"A\tB\xff", 1, 4, "byte 0xff"},
      {"(A+'B)", 1, 4, "\"'\" inverts what stands before it"},
      {"A)'", 1, 3, "\"'\" inverts"},  // a ")" without its "("
  };
  for (const auto& c : cases) {
    std::string out = "kept";
    const auto refusal = TranslateFormula(std::string_view(c.written), out);
    ASSERT_TRUE(refusal) << c.written;
    EXPECT_EQ(refusal->line, c.line) << c.written;
    EXPECT_EQ(refusal->column, c.column) << c.written;
    EXPECT_NE(refusal->Text().find(c.text), std::string::npos) << refusal->Text();
    EXPECT_EQ(out, "kept") << c.written;
  }
}

}  // namespace
}  // namespace tervo
