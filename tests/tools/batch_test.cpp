// The tool's parts without the program around them: the input readers, the
// run, the trace texts and the reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"
#include "inputs.h"
#include "logic_unit.h"
#include "pla.h"
#include "report.h"
#include "run.h"
#include "xlate_unit.h"

namespace tervo::batch {
namespace {

std::unique_ptr<Engine> RunFormula(std::string_view formula, bool dnf, bool reduce, RunOutcome* outcome = nullptr) {
  auto e = std::make_unique<Engine>();
  EXPECT_FALSE(PlaceFormula(*e, formula));
  e->FormulaMode = 1;
  e->CnfMode = dnf ? 0 : 1;
  e->ReduceOn = reduce ? 1 : 0;
  NullHost host;
  const RunOutcome run = RunGo(*e, host);
  if (outcome) *outcome = run;
  return e;
}

std::vector<std::string> Rows(const Engine& e) {
  std::vector<std::string> rows;
  for (unsigned t = 1; t <= e.TermCount; ++t) rows.push_back(RowText(e, e.TermValue[t], e.TermMask[t]));
  return rows;
}

// ---------------------------------------------------------------- runs

TEST(BatchRun, ShowsTheReducedRowsAndVerifies) {
  RunOutcome run;
  auto e = RunFormula("A.B+/A.C", false, true, &run);
  EXPECT_EQ(HeaderText(*e), "A.B.C");
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"1 1 x", "0 x 1"}));
  EXPECT_TRUE(run.drawn && run.verifyRan && run.verified);
  EXPECT_EQ(run.message.rfind("OK: time = ", 0), 0u) << run.message;
  EXPECT_EQ(ExitStatus(run), kExitOk);

  e = RunFormula("A.B", true, true, &run);
  EXPECT_EQ(HeaderText(*e), "A+B");
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"x 1", "1 x"}));
  EXPECT_EQ(TextReport(*e, run), "A+B\nx 1\n1 x\n" + run.message + "\n");
}

TEST(BatchRun, WithoutReductionTheTimeIsZero) {
  RunOutcome run;
  auto e = RunFormula("A.B", true, false, &run);
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"1 1", "0 1", "1 0"}));
  EXPECT_EQ(run.message, "OK: time = 0 secs");
}

TEST(BatchRun, StageMessagesEndTheRun) {
  struct Case {
    const char* formula;
    const char* message;
  } cases[] = {
      {"", "EMPTY WINDOW"},         {"A.+B", "SYNTAX ERROR"}, {"(A.B", "PRIORITY ERROR"},
      {"A+/A", "TAUTOLOGY"},        {"A./A", "INCONSISTENT"},
      {"A.B.C.D.E.F.G.H.I.J.K.L.M.N.O.P", "TOO MANY VARIABLES"},
  };
  for (const Case& c : cases) {
    RunOutcome run;
    auto e = RunFormula(c.formula, false, true, &run);
    EXPECT_EQ(run.message, c.message) << c.formula;
    EXPECT_FALSE(run.drawn) << c.formula;
    EXPECT_EQ(TextReport(*e, run), std::string(c.message) + "\n");
    EXPECT_EQ(ExitStatus(run), kExitMessage);
  }
}

TEST(BatchRun, TypedTableRunsInCnf) {
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceTable(*e, "ABC\n11\n0 1\n 11\n"));
  e->FormulaMode = 0;
  NullHost host;
  const RunOutcome run = RunGo(*e, host);
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"1 1 x", "0 x 1"}));
  EXPECT_TRUE(run.verified);
}

TEST(BatchRun, InterruptEndsTheReduction) {
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "A.B+/A.C+B./D"));
  BatchHost host(*e, nullptr, false);
  gInterrupted = 1;
  const RunOutcome run = RunGo(*e, host);
  gInterrupted = 0;
  EXPECT_TRUE(run.ended);
  EXPECT_FALSE(run.drawn);
  EXPECT_EQ(run.message, "process terminated");
  EXPECT_EQ(ExitStatus(run), kExitInterrupted);
}

TEST(BatchRun, ExitStatusFollowsTheOutcome) {
  RunOutcome failed;
  failed.drawn = failed.verifyRan = true;
  failed.verified = false;
  EXPECT_EQ(ExitStatus(failed), kExitVerify);
}

// ---------------------------------------------------------------- trace

TEST(BatchTrace, OneLinePerComparison) {
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "A.B+/A.C"));
  e->TraceScan = 1;
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  BatchHost host(*e, out, false);
  ASSERT_TRUE(RunGo(*e, host).verified);
  std::rewind(out);
  std::string text;
  char buf[256];
  while (std::fgets(buf, sizeof buf, out)) text += buf;
  std::fclose(out);
  EXPECT_EQ(text,
            "TT code 0 i 1 j 2: no action\n"
            "TT code 0 i 1 j 3: no action\n"
            "TT code 2 i 1 j 4: delete [j] , drop [i] diff\n"
            "TT code 2 i 2 j 3: delete [j] , drop [i] diff\n"
            "TT code 14 i 1 j 2: virtual: x 1 1\n"
            "VT code 13 k 1: no action\n"
            "VT code 13 k 2: no action\n");
}

TEST(BatchTrace, ActionTextFromKindAndCode) {
  auto e = std::make_unique<Engine>();
  struct Case {
    uint8_t kind, code, rescan, marked;
    uint16_t diff, history;
    const char* text;
  } cases[] = {
      {1, 1, 0, 0, 0, 0, "delete [j]"},
      {1, 9, 0, 0, 0, 0, "delete [j]"},
      {1, 5, 0, 0, 0, 0, "delete [i]"},
      {1, 2, 0, 0, 1, 0, "delete [j] , drop [i] diff"},
      {1, 6, 0, 0, 1, 0, "drop [i] diff"},
      {1, 10, 0, 0, 1, 0, "drop [j] diff"},
      {1, 14, 0, 0, 1, 0, "virtual:"},
      {1, 14, 1, 0, 1, 0, "skip"},
      {1, 13, 0, 0, 0, 0, "no action"},
      {1, 0, 0, 0, 3, 0, "no action"},
      {2, 1, 0, 1, 0, 0, "delete TT"},
      {2, 9, 0, 0, 0, 0, "delete TT"},
      {2, 5, 0, 0, 0, 0, "set VT to TT"},
      {2, 2, 0, 0, 1, 0, "drop diff in VT,TT"},
      {2, 6, 0, 0, 1, 0, "drop diff in VT"},
      {2, 10, 0, 0, 1, 0, "drop diff in TT"},
      {2, 14, 0, 1, 1, 0, "skip VT parent"},
      {2, 14, 0, 0, 2, 2, "skip duplicate VT"},
      {2, 14, 1, 0, 2, 1, "new VT"},
      {2, 12, 0, 0, 6, 0, "no action"},
  };
  for (const Case& c : cases) {
    TraceRecord r;
    r.kind = c.kind;
    r.code = c.code;
    r.rescan = c.rescan;
    r.diff = c.diff;
    r.history = c.history;
    r.k = 5;
    e->TermMark[5] = c.marked;
    EXPECT_EQ(TraceAction(*e, r), c.text) << int(c.kind) << "/" << int(c.code);
  }
}

TEST(BatchTrace, SecondsKeepAtMostThreeDecimals) {
  EXPECT_EQ(FormatSeconds(0), "0");
  EXPECT_EQ(FormatSeconds(0.0164), "0.016");
  EXPECT_EQ(FormatSeconds(0.0001), "0");
  EXPECT_EQ(FormatSeconds(1.5), "1.5");
  EXPECT_EQ(FormatSeconds(2.0), "2");
  EXPECT_EQ(FormatSeconds(12.3456), "12.346");
  EXPECT_EQ(FormatSeconds(0.0000123, 6), "0.000012");
}

// ---------------------------------------------------------------- formula and table text

TEST(BatchInput, FormulaKeepsItsLayoutWhenItFits) {
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "a . b\r\n\t+ c\n"));
  EXPECT_EQ(std::string(e->FormulaGrid[0].data(), 5), "A . B");
  EXPECT_EQ(std::string(e->FormulaGrid[1].data(), 5), " + C ");
}

TEST(BatchInput, LongFormulaIsPackedUpTo1200Characters) {
  std::string formula;
  for (int i = 0; i < 600; ++i) formula += i ? "+A" : "/A";  // 1200 characters on one line
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, formula + "  \n"));
  EXPECT_EQ(e->FormulaGrid[29][39], 'A');
  CollectFormula(*e);
  EXPECT_EQ(std::string(e->FormulaText.data() + 1, 1200), formula);

  const auto err = PlaceFormula(*e, formula + "+ A");
  ASSERT_TRUE(err);
  EXPECT_NE(err->text.find("1202 non-blank characters"), std::string::npos) << err->text;
}

TEST(BatchInput, TableLinesAreChecked) {
  struct Case {
    std::string text;
    int line;  // 0: accepted
    const char* words;
  } cases[] = {
      {"ab c\r\n1 0\n\n 1\n", 0, ""},
      {"ABCDEFGHIJKLMNOP\n", 1, "16 columns"},
      {"A1\n", 1, "column 2 is \"1\""},
      {"AB\n10\n1x\n", 3, "column 2 is \"x\""},
      {"AB\n1\t0\n", 2, "tab"},
      {"A\n" + std::string(100, '\n') + "1\n", 102, "100 term lines"},
      {"A\n" + std::string(99, '\n') + "1\n\n\n", 0, ""},
  };
  for (const Case& c : cases) {
    auto e = std::make_unique<Engine>();
    const auto err = PlaceTable(*e, c.text);
    if (c.line == 0) {
      EXPECT_FALSE(err) << c.text;
      continue;
    }
    ASSERT_TRUE(err) << c.text;
    EXPECT_EQ(err->line, c.line) << c.text;
    EXPECT_NE(err->text.find(c.words), std::string::npos) << err->text;
  }
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceTable(*e, "ab c\r\n1 0\n\n 1\n"));
  EXPECT_EQ(std::string(e->TableGrid[0].data(), 4), "AB C");
  EXPECT_EQ(std::string(e->TableGrid[1].data(), 3), "1 0");
  EXPECT_EQ(std::string(e->TableGrid[3].data(), 2), " 1");
}

// ---------------------------------------------------------------- PLA

TEST(BatchPla, RefusesWhatItCannotTake) {
  std::string many = ".i 15\n.o 1\n";
  for (int i = 0; i <= kTermCapacity; ++i) many += std::string(14, '-') + "1 1\n";
  struct Case {
    std::string text;
    int line;
    const char* words;
  } cases[] = {
      {".i 2\n.o 2\n", 2, "single output"},
      {".i 16\n.o 1\n", 1, "1 to 15"},
      {".i 0\n.o 1\n", 1, "1 to 15"},
      {".i two\n", 1, "whole number"},
      {".i 2\n.o 1\n1- -\n", 3, "don't-care"},
      {".i 2\n.o 1\n1- ~\n", 3, "don't-care"},
      {".i 2\n.o 1\n10 0\n", 3, "outside the ON-set"},
      {".i 2\n.o 1\n.type r\n10 1\n", 4, ".type r"},
      {".i 2\n.o 1\n.type fr\n", 3, ".type fr"},
      {".i 2\n.o 1\n1x 1\n", 3, "input 2 is \"x\""},
      {".i 2\n.o 1\n101 1\n", 3, "4 characters"},
      {".i 2\n.o 1\n1 1\n", 3, "2 characters"},
      {".i 2\n.o 1\n11 x\n", 3, "the output is \"x\""},
      {".i 2\n.o 1\n.mv 3 0\n", 3, "keyword .mv"},
      {"10 1\n", 1, "before .i"},
      {".i 2\n.o 1\n.p 3\n11 1\n", 3, ".p says 3"},
      {".o 1\n11 1\n", 2, "before .i"},
      {".o 1\n", 0, "no .i"},
      {".i 2\n", 0, "no .o"},
      {".i 2\n.o 1\n.ilb A B C\n", 3, "names 3 inputs"},
      {".i 2\n.o 1\n11 1\n.ilb A B\n", 4, "before the first row"},
      {".i 2\n.i 2\n", 2, "twice"},
      {many, 3 + kTermCapacity, "more than 32768"},
  };
  for (const Case& c : cases) {
    PlaFunction f;
    const auto err = ReadPla(c.text, f);
    ASSERT_TRUE(err) << c.text.substr(0, 60);
    EXPECT_EQ(err->line, c.line) << c.text.substr(0, 60);
    EXPECT_NE(err->text.find(c.words), std::string::npos) << err->text;
  }
}

TEST(BatchPla, ReadsRowsLettersAndForms) {
  PlaFunction f;
  ASSERT_FALSE(ReadPla("# a comment\r\n.i 3\n.o 1\n.ilb x y z\n.ob out\n.p 2\n\n1 0 - 1\n-21 1\n.e\nanything\n", f));
  EXPECT_EQ(f.inputs, 3u);
  EXPECT_EQ(f.letters, "XYZ");
  EXPECT_FALSE(f.offSet);
  EXPECT_EQ(f.value, (std::vector<uint16_t>{1, 4}));
  EXPECT_EQ(f.mask, (std::vector<uint16_t>{3, 4}));

  struct Case {
    const char* ilb;
    const char* letters;
  } names[] = {{"a b", "AB"}, {"A a", "AB"}, {"in1 in2", "AB"}, {"Q P", "QP"}, {"1 2", "AB"}};
  for (const Case& c : names) {
    ASSERT_FALSE(ReadPla(std::string(".i 2\n.o 1\n.ilb ") + c.ilb + "\n", f));
    EXPECT_EQ(f.letters, c.letters) << c.ilb;
  }

  ASSERT_FALSE(ReadPla(".i 2\n.o 1\n.type r\n0- 0\n", f));
  EXPECT_TRUE(f.offSet);
  EXPECT_EQ(ListedAssignments(f), (std::vector<uint8_t>{1, 0, 1, 0}));
}

// A result written as PLA and read back lists the same function: the rows
// where it is 1 for CNF, the rows where it is 0 for DNF.
TEST(BatchPla, WrittenResultReadsBackAsTheSameFunction) {
  const char* formulas[] = {"A.B+/A.C", "A-B-C-D", "(A+B).(C+/D)>E", "A=B.C+/D./E+F.G", "/(A.B.C.D.E.F.G.H.I)"};
  for (const char* formula : formulas) {
    for (bool dnf : {false, true}) {
      for (bool reduce : {false, true}) {
        SCOPED_TRACE(std::string(formula) + (dnf ? " DNF" : " CNF") + (reduce ? "" : " unreduced"));
        RunOutcome run;
        auto e = RunFormula(formula, dnf, reduce, &run);
        ASSERT_TRUE(run.verified);
        PlaFunction f;
        const auto err = ReadPla(WritePla(*e), f);
        ASSERT_FALSE(err) << err->line << ": " << err->text;
        EXPECT_EQ(f.letters, std::string(e->Variables()));
        EXPECT_EQ(f.offSet, dnf);
        EXPECT_EQ(f.value.size(), e->TermCount);
        const std::vector<uint8_t> listed = ListedAssignments(f);
        for (uint32_t a = 0; a < listed.size(); ++a) {
          LoadRow(*e, static_cast<uint16_t>(a));
          const bool one = EvaluateDirectors(*e) == 1;
          ASSERT_EQ(listed[a] != 0, dnf ? !one : one) << "assignment " << a;
        }
      }
    }
  }
}

// A PLA function runs in place of the table reader: many rows, the form of
// its .type, and constant functions reported as the evaluation does.
TEST(BatchPla, RunsAsTableInput) {
  struct Case {
    std::string text;
    const char* message;
    std::vector<std::string> rows;
  } cases[] = {
      {".i 2\n.o 1\n11 1\n01 1\n", "OK: ", {"x 1"}},
      {".i 2\n.o 1\n.type r\n11 0\n01 0\n", "OK: ", {"x 0"}},
      {".i 2\n.o 1\n-- 1\n", "TAUTOLOGY", {}},
      {".i 2\n.o 1\n", "INCONSISTENT", {}},
      {".i 2\n.o 1\n.type r\n-- 0\n", "INCONSISTENT", {}},
      {".i 2\n.o 1\n.type r\n", "TAUTOLOGY", {}},
      {".i 2\n.o 1\n1- 1\n0- 1\n", "TAUTOLOGY", {}},
  };
  // 8 inputs, odd parity: 128 rows that no two of can merge.
  std::string parity = ".i 8\n.o 1\n";
  for (int a = 0; a < 256; ++a) {
    if (__builtin_popcount(a) % 2 == 0) continue;
    for (int c = 0; c < 8; ++c) parity += (a >> c & 1) ? '1' : '0';
    parity += " 1\n";
  }
  for (const Case& c : cases) {
    PlaFunction f;
    ASSERT_FALSE(ReadPla(c.text, f)) << c.text;
    auto e = std::make_unique<Engine>();
    e->FormulaMode = 0;
    e->CnfMode = f.offSet ? 0 : 1;
    const auto listed = ListedAssignments(f);
    NullHost host;
    const RunOutcome run = RunGo(*e, host,
                                 GoStages{[&](Engine& en) { LoadPlaFunction(en, f, listed); },
                                          [&](Engine& en) { return VerifyAgainstListed(en, listed); }});
    EXPECT_EQ(run.message.substr(0, std::string(c.message).size()), c.message) << c.text;
    if (run.drawn) {
      EXPECT_EQ(Rows(*e), c.rows) << c.text;
    }
  }
  PlaFunction f;
  ASSERT_FALSE(ReadPla(parity, f));
  EXPECT_EQ(f.value.size(), 128u);
  auto e = std::make_unique<Engine>();
  e->FormulaMode = 0;
  const auto listed = ListedAssignments(f);
  NullHost host;
  const RunOutcome run = RunGo(*e, host,
                               GoStages{[&](Engine& en) { LoadPlaFunction(en, f, listed); },
                                        [&](Engine& en) { return VerifyAgainstListed(en, listed); }});
  EXPECT_TRUE(run.verified);
  EXPECT_EQ(e->TermCount, 128);
  EXPECT_FALSE(PlacePlaInTableGrid(*e, f));
}

}  // namespace
}  // namespace tervo::batch
