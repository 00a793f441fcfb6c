// The PLA reader and writer of any width, through the library's header
// alone: what each construct gives, each refusal with its line and column,
// files of many inputs, and files too large for the memory allowed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tervo/pla.h"

namespace tervo::minimiser {
namespace {

// The rows of a file as "inputs outputs", one string per row.
std::vector<std::string> RowsOf(const Pla& p) {
  std::vector<std::string> rows;
  for (std::size_t r = 0; r < p.Rows(); ++r) rows.push_back(p.in[r] + " " + p.out[r]);
  return rows;
}

// A file of `inputs` inputs and one output whose rows are given.
std::string WideFile(unsigned inputs, const std::vector<std::string>& rows) {
  std::string s = ".i " + std::to_string(inputs) + "\n.o 1\n";
  for (const std::string& r : rows) s += r + "\n";
  return s;
}

TEST(PlaRead, ReadsEveryConstruct) {
  struct Case {
    std::string text;
    unsigned inputs, outputs;
    const char* type;
    std::vector<std::string> rows;
  } cases[] = {
      // blanks and "|" anywhere in a row; "2" for a free input, "4" for ON
      {".i 2\n.o 1\n1 | 2  4\n", 2, 1, "fd", {"1- 1"}},
      // 2, 3 and 4 spelled out; a "#" comment after a row and between rows
      {".i 2\n.o 4\n.type fdr\n01 4320 # tail\n# between\n1-|1-0~\n", 2, 4, "fdr", {"01 1~-0", "1- 1-0~"}},
      // a title, CR LF line ends, .p checked, nothing read after .e
      {"adder test\r\n.i 3\r\n.o 1\r\n.p 1\r\n1-0 1\r\n.e\r\nanything 1\n", 3, 1, "fd", {"1-0 1"}},
      {".i 1\n.o 1\n.type r\n0 0\n.end\n1 x\n", 1, 1, "r", {"0 0"}},
      // a byte order mark before the first line is no part of the file
      {"\xEF\xBB\xBF.i 2\n.o 1\n11 1\n", 2, 1, "fd", {"11 1"}},
      // .o before .i, keywords with leading blanks, an empty file body
      {".o 2\n  .i 2\n", 2, 2, "fd", {}},
      // a wide row, and one spread over many words
      {WideFile(40, {std::string(39, '-') + "1 1", std::string(20, '0') + " " + std::string(20, '1') + " | 0"}),
       40, 1, "fd", {std::string(39, '-') + "1 1", std::string(20, '0') + std::string(20, '1') + " 0"}},
  };
  for (const Case& c : cases) {
    Pla p;
    const auto err = ReadPla(c.text, p);
    ASSERT_FALSE(err) << c.text.substr(0, 80) << ": " << err->line << ":" << err->column << ": " << err->text;
    EXPECT_EQ(p.inputs, c.inputs) << c.text.substr(0, 80);
    EXPECT_EQ(p.outputs, c.outputs) << c.text.substr(0, 80);
    EXPECT_EQ(p.type, c.type) << c.text.substr(0, 80);
    EXPECT_EQ(RowsOf(p), c.rows) << c.text.substr(0, 80);
  }
}

TEST(PlaRead, KeepsNamesAndLines) {
  Pla p;
  ASSERT_FALSE(ReadPla("# comment\n.i 2\n.o 2\n.ilb a b\n.ob sum carry\n.type fr\n\n11 10\n00 01\n", p));
  EXPECT_EQ(p.inputNames, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(p.outputNames, (std::vector<std::string>{"sum", "carry"}));
  EXPECT_EQ(p.line, (std::vector<int>{8, 9}));
  EXPECT_EQ(p.inputsLine, 2);
  EXPECT_EQ(p.outputsLine, 3);
  EXPECT_EQ(p.typeLine, 6);
}

TEST(PlaRead, RefusesWithLineAndColumn) {
  struct Case {
    std::string text;
    int line, column;
    const char* words;
  } cases[] = {
      {".i 0\n.o 1\n", 1, 4, "1 or more"},
      {".i -3\n", 1, 4, "1 or more"},
      {".i two\n", 1, 4, "whole number"},
      {".i 1 2\n", 1, 1, "whole number"},
      {".i 99999999999999999999999\n", 1, 4, "memory allowed"},
      {".i 2\n.i 2\n", 2, 1, "twice"},
      {".i 2\n.o 1025\n", 2, 4, "1 to 1024"},
      {".i 2\n.o 1\n.type d\n", 3, 7, "f, r, fd, fr, dr or fdr"},
      {".i 2\n.o 1\n.type\n", 3, 1, "one word"},
      {".i 2\n.o 1\n  .phase 1\n", 3, 3, "keyword .phase is not taken"},
      {".i 2\n.o 1\n.frobnicate\n", 3, 1, "keyword .frobnicate is not taken"},
      {".i 2\n.ob f\n", 2, 1, ".ob must come after .o"},
      {".i 2\n.o 1\n.ilb a b c\n", 3, 1, "names 3 inputs, .i says 2"},
      {".i 2\n.o 1\n11 1\n.ilb a b\n", 4, 1, "before the first row"},
      {"10 1\n.i 2\n", 1, 1, "a row before .i and .o"},
      {".i 2\n.o 1\n1x 1\n", 3, 2, "input 2 is \"x\""},
      {".i 2\n.o 2\n11 15\n", 3, 5, "\"5\" for output 2"},
      {".i 2\n.o 1\n11 x\n", 3, 4, "the output is \"x\""},
      {".i 2\n.o 1\n1\x01 1\n", 3, 2, "column 2 is byte 0x01"},
      {".i 2\n.o 1\n11 1\xc2\xa0\n", 3, 5, "byte 0xc2"},
      // too many characters: the first one over; too few: the last one
      {".i 2\n.o 1\n101 1\n", 3, 5, "4 characters; .i 2 and .o 1 need 3"},
      {".i 2\n.o 1\n1 1\n", 3, 3, "2 characters"},
      {".i 2\n.o 1\n1#1 1\n", 3, 1, "the row has 1 characters"},
      {".i 2\n.o 1\n.p 2\n11 1\n", 3, 4, ".p says 2 rows, the file has 1"},
      {".i 2\n.o 1\n.p -1\n", 3, 4, "0 or more"},
      {".o 1\n", 0, 0, "no .i"},
      {".i 2\n", 0, 0, "no .o"},
      // a wide row one input short names how many its inputs have
      {WideFile(40, {std::string(39, '1') + " 1"}), 3, 41, "the row has 40 characters; .i 40 and .o 1 need 41 (its inputs are 39 characters)"},
      {WideFile(40, {std::string(41, '1') + " 1"}), 3, 43, "(its inputs are 41 characters)"},
      {WideFile(40, {std::string(40, '1') + " 1", std::string(25, '-') + "z" + std::string(14, '-') + " 1"}), 4, 26,
       "input 26 is \"z\""},
      // 10,000 inputs declared, rows of a narrow file
      {WideFile(10000, {"1010 1"}), 3, 6, "the row has 5 characters; .i 10000 and .o 1 need 10001 (its inputs are 4 characters)"},
  };
  for (const Case& c : cases) {
    Pla p;
    const auto err = ReadPla(c.text, p);
    const std::string what = c.text.substr(0, 60);
    ASSERT_TRUE(err) << what;
    EXPECT_EQ(err->line, c.line) << what << ": " << err->text;
    EXPECT_EQ(err->column, c.column) << what << ": " << err->text;
    EXPECT_NE(err->text.find(c.words), std::string::npos) << err->text;
    EXPECT_EQ(p.Rows(), 0u) << "a refused file leaves rows behind: " << what;
    EXPECT_EQ(p.inputs, 0u) << what;
  }
}

// Files of many inputs are read whole; files whose rows would need more
// memory than allowed are refused before the rows are stored.
TEST(PlaRead, TakesAnyWidthWithinTheMemoryAllowed) {
  std::string row(10000, '-');
  row[9999] = '1';
  Pla p;
  ASSERT_FALSE(ReadPla(WideFile(10000, {row + " 1", row + " 1"}), p));
  EXPECT_EQ(p.inputs, 10000u);
  EXPECT_EQ(p.in[1], row);

  struct Case {
    std::string text;
    std::size_t memory;
    int line;
    const char* words;
  } cases[] = {
      // two rows of 10,000 inputs do not fit in 16 kB
      {WideFile(10000, {row + " 1", row + " 1"}), 16 << 10, 3, "of memory (up to"},
      // nor does one row of a million inputs in 512 kB: refused at .i
      {".i 1000000\n.o 1\n", 512 << 10, 1, ".i 1000000: a row of that many inputs is more than the 1 MB"},
  };
  for (const Case& c : cases) {
    const auto err = ReadPla(c.text, p, PlaLimits{c.memory});
    ASSERT_TRUE(err) << c.words;
    EXPECT_EQ(err->line, c.line) << err->text;
    EXPECT_NE(err->text.find(c.words), std::string::npos) << err->text;
    EXPECT_EQ(p.Rows(), 0u);
  }
  // .p declaring more rows than the text has is not believed: the count is
  // checked, nothing is reserved for it.
  const auto err = ReadPla(".i 1000\n.o 1\n.p 1000000000000\n" + std::string(1000, '1') + " 1\n", p, PlaLimits{1 << 20});
  ASSERT_TRUE(err);
  EXPECT_NE(err->text.find(".p says 1000000000000 rows, the file has 1"), std::string::npos) << err->text;
}

TEST(PlaWrite, ReadsBackAsWritten) {
  std::vector<Pla> cases(3);
  cases[0].inputs = 2;
  cases[0].outputs = 1;
  cases[0].type = "f";
  cases[0].in = {"1-", "01"};
  cases[0].out = {"1", "1"};
  cases[1].inputs = 3;
  cases[1].outputs = 2;
  cases[1].inputNames = {"a", "b", "cin"};
  cases[1].outputNames = {"sum", "carry"};
  cases[1].type = "fdr";
  cases[1].in = {"1-0", "---"};
  cases[1].out = {"1-", "0~"};
  cases[2].inputs = 70;
  cases[2].outputs = 3;
  cases[2].in = {std::string(35, '0') + std::string(35, '1'), std::string(70, '-')};
  cases[2].out = {"101", "-~0"};
  for (const Pla& w : cases) {
    Pla r;
    const std::string text = WritePla(w);
    const auto err = ReadPla(text, r);
    ASSERT_FALSE(err) << text << err->text;
    EXPECT_EQ(r.inputs, w.inputs);
    EXPECT_EQ(r.outputs, w.outputs);
    EXPECT_EQ(r.inputNames, w.inputNames);
    EXPECT_EQ(r.outputNames, w.outputNames);
    EXPECT_EQ(r.type, w.type);
    EXPECT_EQ(r.in, w.in);
    EXPECT_EQ(r.out, w.out);
  }
}

TEST(PlaKeywords, AreTakenOrRefusedAsListed) {
  int taken = 0;
  for (const PlaKeyword& k : PlaKeywords()) {
    Pla p;
    const auto err = ReadPla(".i 2\n.o 1\n" + std::string(k.name) + " 1\n11 1\n", p);
    const bool refusedAsUnknown = err && err->text.find("is not taken") != std::string::npos;
    EXPECT_EQ(refusedAsUnknown, !k.taken) << k.name;
    if (!k.taken) {
      EXPECT_NE(err->text.find(std::string(k.meaning)), std::string::npos) << err->text;
    }
    taken += k.taken;
  }
  EXPECT_EQ(taken, 8);
}

}  // namespace
}  // namespace tervo::minimiser
