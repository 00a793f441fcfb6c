// Formulas in other notations turned into ours, and what cannot be turned.
#include "formula_notation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_support.h"

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


// A random formula written twice: in other notations, each operator in a
// spelling picked at random and each inversion in front or behind, and in
// ours. Every binary operation is bracketed, so priorities do not matter.
struct Written {
  std::string theirs, ours;
};

Written RandomWritten(std::mt19937& rng, int leaves) {
  auto pick = [&](std::initializer_list<const char*> list) { return *(list.begin() + rng() % list.size()); };
  Written w;
  if (leaves <= 1) {
    const char letter = static_cast<char>('A' + rng() % 5);
    w.ours = std::string(1, letter);
    w.theirs = std::string(1, rng() % 2 ? letter : static_cast<char>(letter - 'A' + 'a'));
  } else {
    const int left = 1 + static_cast<int>(rng() % static_cast<unsigned>(leaves - 1));
    const Written a = RandomWritten(rng, left), b = RandomWritten(rng, leaves - left);
    const int op = static_cast<int>(rng() % 6);
    static const char ours[] = "+.->=.";
    const char* theirs = op == 0   ? pick({"|", "||", "\u2228", "+"})
                         : op == 1 ? pick({"&", "&&", "*", "\u2227", "\u00B7", "\u22C5", " "})  // a blank: implied AND
                         : op == 2 ? pick({"^", "\u2295", "\u22BB", "-"})
                         : op == 3 ? pick({"->", "=>", "\u2192", "\u21D2", ">"})
                         : op == 4 ? pick({"<->", "<=>", "==", "\u2194", "\u21D4", "\u2261", "="})
                                   : pick({"."});
    w.ours = "(" + a.ours + ours[op] + b.ours + ")";
    w.theirs = "(" + a.theirs + " " + theirs + " " + b.theirs + ")";
  }
  if (rng() % 3 == 0) {
    w.ours = "/" + w.ours;
    w.theirs = rng() % 2 ? pick({"!", "~", "\u00AC"}) + w.theirs : w.theirs + pick({"'", "\u2019", "\u2032"});
  }
  return w;
}

// Translated and run, the formula in other notations has the truth table
// of the same formula written in ours.
TEST(FormulaNotation, OtherNotationsRunAsTheSameFunction) {
  std::mt19937 rng(30);
  for (int i = 0; i < 300; ++i) {
    const Written w = RandomWritten(rng, 2 + static_cast<int>(rng() % 10));
    std::string translated;
    const auto refusal = TranslateFormula(std::string_view(w.theirs), translated);
    ASSERT_FALSE(refusal) << w.theirs << ": " << refusal->Text();
    auto theirs = test::NewEngine(), ours = test::NewEngine();
    const uint8_t code = test::Translate(*ours, w.ours);
    ASSERT_EQ(test::Translate(*theirs, translated), code) << w.theirs << " -> " << translated;
    if (code != kOk) continue;
    ASSERT_EQ(theirs->Variables(), ours->Variables()) << translated;
    ASSERT_EQ(theirs->TermCount, ours->TermCount) << w.theirs << " -> " << translated << " vs " << w.ours;
    for (unsigned t = 1; t <= ours->TermCount; ++t) ASSERT_EQ(theirs->TermValue[t], ours->TermValue[t]) << translated;
  }
}

}  // namespace
}  // namespace tervo
