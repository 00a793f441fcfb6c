// The tool's parts without the program around them: the input readers, the
// run, the trace texts and the reports.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"
#include "inputs.h"
#include "logic_unit.h"
#include "options.h"
#include "pla.h"
#include "pla_run.h"
#include "report.h"
#include "run.h"
#include "xlate_unit.h"
#include "batch_test_support.h"

namespace tervo::batch {
namespace {

using test::ExpectRefusal;
using test::ListedAssignments;
using test::LoadPlaFunction;
using test::VerifyAgainstListed;

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

TEST(BatchRun, TypedTableWithoutTermsIsInconsistent) {
  // A header and no term line: the function is 0 everywhere.
  for (const bool reduce : {true, false}) {
    auto e = std::make_unique<Engine>();
    ASSERT_FALSE(PlaceTable(*e, "AB\n"));
    e->FormulaMode = 0;
    e->ReduceOn = reduce ? 1 : 0;
    NullHost host;
    const RunOutcome run = RunGo(*e, host);
    EXPECT_EQ(run.message, "INCONSISTENT") << reduce;
    EXPECT_EQ(ExitStatus(run), kExitMessage) << reduce;
  }
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

// A trace that cannot be written whole is reported, whether a line fails
// at once (standard error has no buffer) or only when flushed.
TEST(BatchTrace, AFailedTraceWriteIsReported) {
  for (const bool buffered : {false, true}) {
    SCOPED_TRACE(buffered);
    auto e = std::make_unique<Engine>();
    ASSERT_FALSE(PlaceFormula(*e, "A.B+/A.C"));
    e->TraceScan = 1;
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    if (!buffered) std::setvbuf(full, nullptr, _IONBF, 0);
    BatchHost host(*e, full, false);
    ASSERT_TRUE(RunGo(*e, host).verified);
    host.Finish();
    EXPECT_EQ(host.TraceError(), std::strerror(ENOSPC));
    std::fclose(full);
  }
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceFormula(*e, "A.B"));
  e->TraceScan = 1;
  std::FILE* out = std::tmpfile();
  BatchHost host(*e, out, false);
  RunGo(*e, host);
  host.Finish();
  EXPECT_EQ(host.TraceError(), "");
  std::fclose(out);
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

// ---------------------------------------------------------------- command line

// The refusal of a command line, as the tool words it; "" when it runs.
std::string Refusal(std::vector<std::string> args, bool stdinIsTerminal = false) {
  args.insert(args.begin(), "tervo42-batch");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  CLI::App app;
  Options o;
  DefineOptions(app, o);
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ExcludesError&) {
    // CLI11 finds the pair; the tool's own words name it.
  }
  Complete(app, o);
  return UsageProblem(app, o, stdinIsTerminal).value_or("");
}

// Each combination that is refused, and which refusal comes first when a
// command line has several faults.
TEST(BatchCommandLine, RefusesWhatDoesNotCombine) {
  struct Case {
    std::vector<std::string> args;
    std::string refusal;  // the start of the message; "" runs
  } cases[] = {
      {{"A.B"}, ""},
      {{"--pos", "--dnf", "A"}, ""},
      {{"--minimal=2.5", "--pla", "f.pla"}, ""},
      {{"--sop", "--pos", "A"}, "--sop and --pos exclude each other"},
      {{"--sop", "--dnf", "A"}, "--sop and --dnf exclude each other"},
      {{"A", "--table", "t"}, "give exactly one input"},
      {{"--pla", "a", "--load", "b"}, "give exactly one input"},
      {{"-f", "a", "B"}, "give exactly one input"},
      {{"--dnf", "--table", "t"}, "--dnf applies to formula and PLA input only"},
      {{"--pos", "--load", "x"}, "--pos applies to formula and PLA input only"},
      {{"--sop", "--load", "x"}, "--sop does not apply to --load"},
      {{"--no-reduce", "--load", "x"}, "--no-reduce does not apply to --load"},
      {{"--minimal", "--no-reduce", "A"}, "--minimal takes the reduction's place"},
      {{"--minimal", "--trace", "A"}, "--minimal does not combine with --trace"},
      {{"--minimal=abc", "A"}, "--minimal=SECONDS takes a number of seconds from 0 to 1000000, not \"abc\""},
      {{"--minimal=-1", "A"}, "--minimal=SECONDS takes"},
      {{"--minimal", "5", "A.B"}, "--minimal takes its seconds after \"=\": --minimal=5"},
      {{"--minimal", "0.5", "--pla", "f.pla"}, "--minimal takes its seconds after \"=\": --minimal=0.5"},
      // several faults: the first in this order is named
      {{"--sop", "--pos", "--table", "t", "A"}, "--sop and --pos exclude each other"},
      {{"--dnf", "--table", "t", "A"}, "give exactly one input"},
      {{"--minimal=x", "--no-reduce", "A"}, "--minimal=SECONDS takes"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    const std::string refusal = Refusal(c.args);
    if (c.refusal.empty())
      EXPECT_EQ(refusal, "") << line;
    else
      EXPECT_EQ(refusal.rfind(c.refusal, 0), 0u) << line << "gives: " << refusal;
  }
  EXPECT_EQ(Refusal({}, true).rfind("no input", 0), 0u);
  EXPECT_EQ(Refusal({}, false), "");
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
      {"AB\n1\xc3\xa9\n", 2, "column 2 is \"\xc3\xa9\" (U+00E9)"},
      {"A.\n1\n", 1, "column 2 is \".\""},
      {"AB\n1 2\n", 2, "column 3 is \"2\""},
  };
  for (const Case& c : cases) {
    auto e = std::make_unique<Engine>();
    const auto err = PlaceTable(*e, c.text);
    if (c.line == 0) {
      EXPECT_FALSE(err) << c.text;
      continue;
    }
    ExpectRefusal(err, c.line, c.words, c.text);
  }
  auto e = std::make_unique<Engine>();
  ASSERT_FALSE(PlaceTable(*e, "ab c\r\n1 0\n\n 1\n"));
  EXPECT_EQ(std::string(e->TableGrid[0].data(), 4), "AB C");
  EXPECT_EQ(std::string(e->TableGrid[1].data(), 3), "1 0");
  EXPECT_EQ(std::string(e->TableGrid[3].data(), 2), " 1");
}

// A character that is neither in the formula language nor one of the
// notations translated into it is refused before anything is placed, with
// its line and column.
TEST(BatchInput, FormulaRefusesCharactersOutsideTheLanguage) {
  struct Case {
    const char* text;
    int line;           // 0: accepted
    const char* words;  // in the message
  } cases[] = {
      {"A@B", 1, "line 1, column 2: \"@\""},
      {"#A.B", 1, "column 1: \"#\""},
      {"A<B", 1, "\"<\""},
      {"'A.B", 1, "line 1, column 1: \"'\" inverts what stands before it"},
      {"A.B\n+ 1", 2, "line 2, column 3: \"1\" is not in the formula language"},
      {"0 1\n", 1, "--table"},
      {"A.B\x01", 1, "U+0001"},
      {"A\vB", 1, "U+000B"},
      {"A\xc2\xa7" "B", 1, "\"\xc2\xa7\" (U+00A7)"},
      {"\xc2\xac\xc2\xac A\xc2\xa7", 1, "column 5: \"\xc2\xa7\""},  // columns count characters
      {"A\xff", 1, "byte 0xff"},
      {".i 2\n.o 1\n11 1\n", 1, "--pla - for standard input"},
      {"  .o 1\n.i 2\n", 1, "--pla FILE"},
      {"A.B\n10\n", 2, "--table"},
      {"a . b\r\n\t+ c\n", 0, ""},
      {"(A=B)-C>/D+e", 0, ""},
      {"A|B & !c", 0, ""},
  };
  for (const Case& c : cases) {
    auto e = std::make_unique<Engine>();
    e->FormulaGrid[0].fill('Q');
    const auto err = PlaceFormula(*e, c.text);
    if (c.line == 0) {
      EXPECT_FALSE(err) << c.text;
      continue;
    }
    ExpectRefusal(err, c.line, c.words, c.text);
    EXPECT_EQ(e->FormulaGrid[0][0], 'Q') << "placed although refused: " << c.text;
  }
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
      {".i 0\n.o 1\n", 1, "1 or more"},
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
    ExpectRefusal(err, c.line, c.words, c.text.substr(0, 60));
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

// Output k of a file as one character per assignment: 1 ON, 0 OFF, - don't-care.
std::string States(const PlaFile& f, unsigned k) {
  std::vector<RowState> states;
  const auto err = OutputStates(f, k, states);
  if (err) return "refused: " + err->text;
  std::string s;
  for (RowState st : states) s += st == RowState::kOn ? '1' : st == RowState::kOff ? '0' : '-';
  return s;
}

// Each construct of the format, read into the ON, OFF and don't-care rows of
// every output. Assignments are listed 0, 1, 2, ...; bit c is input c.
TEST(BatchPla, ReadsEveryConstructIntoOnOffAndDontCareRows) {
  struct Case {
    const char* text;
    std::vector<std::string> outputs;
  } cases[] = {
      // blanks and "|" inside a row; "2" for a free input, "4" for ON
      {".i 2\n.o 1\n1 | 2  4\n", {"0101"}},
      // .type f: 0, - and ~ add nothing
      {".i 2\n.o 1\n.type f\n11 1\n0- 0\n1- -\n-1 ~\n", {"0001"}},
      // .type fd (also the default): - and 2 are don't-cares, which win over 1
      {".i 2\n.o 1\n.type fd\n-1 1\n11 -\n00 0\n", {"001-"}},
      {".i 2\n.o 1\n-1 1\n11 2\n", {"001-"}},
      // .type fr: what is listed neither way is a don't-care
      {".i 2\n.o 1\n.type fr\n1- 1\n00 0\n", {"01-1"}},
      // .type fdr: all three
      {".i 2\n.o 1\n.type fdr\n10 1\n11 -\n0- 0\n", {"010-"}},
      // .type r and dr: the rest is ON
      {".i 2\n.o 1\n.type r\n1- 0\n01 1\n", {"1010"}},
      {".i 2\n.o 1\n.type dr\n1- 0\n01 -\n", {"10-0"}},
      // several outputs, 3 meaning nothing, a comment between rows
      {".i 2\n.o 3\n.ilb x y\n.ob f g h\n.p 3\n10 1-0\n# rows\n01 301\n11 111\n.end\n00 111\n",
       {"0101", "0-01", "0011"}},
      // a title, or any text before .i that is no row, is passed over
      {"test2\n.i 2\n.o 1\n.p 1\n11 1\n", {"0001"}},
      {"adder, 2 bits (c) 1990\n\n  \xc3\xa4 notes: 01 1\n.o 1\n.i 2\n11 1\n", {"0001"}},
      // a "#" comment at the end of a row
      {".i 2\n.o 1\n.p 2\n11 1 # both\n01 1# tight, 10 1\n", {"0011"}},
      // .type fr and fdr keep their sets with titles and comments
      {"fr file\n.i 2\n.o 1\n.type fr\n1- 1 # on\n00 0 # off\n", {"01-1"}},
      {"fdr file\n.i 2\n.o 1\n.type fdr\n10 1#a\n11 -  # free\n0- 0 #\n", {"010-"}},
  };
  for (const Case& c : cases) {
    PlaFile f;
    const auto err = ReadPlaFile(c.text, f);
    ASSERT_FALSE(err) << c.text << ": " << err->line << ": " << err->text;
    ASSERT_EQ(f.outputs, c.outputs.size()) << c.text;
    for (unsigned k = 0; k < f.outputs; ++k) EXPECT_EQ(States(f, k), c.outputs[k]) << c.text << " output " << k + 1;
  }

  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(".i 2\n.o 2\n.ilb in1 in2\n.ob sum carry\n11 01\n", f));
  EXPECT_EQ(f.inputNames, (std::vector<std::string>{"in1", "in2"}));
  EXPECT_EQ(f.outputNames, (std::vector<std::string>{"sum", "carry"}));
  EXPECT_EQ(f.letters, "AB");
  EXPECT_EQ(f.OutputName(1), "carry");
}

TEST(BatchPla, RefusesWhatTheFormatDoesNotAllowOrTheToolDoesNotTake) {
  struct Case {
    const char* text;
    int line;
    const char* words;
  } cases[] = {
      {".i 2\n.o 1\n.phase 1\n", 3, "keyword .phase is not taken"},
      {".i 2\n.o 1\n.pair 1 (a b)\n", 3, "keyword .pair"},
      {".i 2\n.o 1\n.kiss\n", 3, "sequential"},
      {".i 2\n.o 1\n.frobnicate\n", 3, "keyword .frobnicate"},
      {".i 2\n.o 1025\n", 2, "1 to 1024"},
      {".i 2\n.ob f\n", 2, ".ob must come after .o"},
      {".i 2\n.o 2\n.ob f\n", 3, "names 1 outputs, .o says 2"},
      {".i 2\n.o 1\n.type d\n", 3, "f, r, fd, fr, dr or fdr"},
      {".i 2\n.o 2\n11 15\n", 3, "\"5\" for output 2"},
      {".i 2\n.o 1\n~1 1\n", 3, "input 1 is \"~\""},
      {".i 2\n.o 2\n11 1\n", 3, "3 characters; .i 2 and .o 2 need 4"},
      {".i 2\n.o 1\n11 1\n.ob f\n", 4, "before the first row"},
      // a title is passed over, a row before .i is not; a comment is no cell
      {"title\n10 1\n.i 2\n.o 1\n", 2, "a row before .i and .o"},
      {"title\n  01 | 1 # row\n", 2, "a row before .i and .o"},
      {".i 2\n.o 1\n1#1 1\n", 3, "the row has 1 characters"},
      {".i 2\n.o 1\n.p 2\n11 1\n# 10 1\n", 3, ".p says 2 rows, the file has 1"},
      // a control character or a byte outside ASCII is named, not counted
      {".i 2\n.o 1\n1\x01 1\n", 3, "column 2 is byte 0x01"},
      {".i 2\n.o 1\n11 \x7f" "1\n", 3, "column 4 is byte 0x7f"},
      {".i 2\n.o 1\n11 1\xc2\xa0\n", 3, "column 5 is byte 0xc2"},
  };
  for (const Case& c : cases) {
    PlaFile f;
    const auto err = ReadPlaFile(c.text, f);
    ExpectRefusal(err, c.line, c.words, c.text);
  }

  // A NUL byte, which a C string could not hold in the table above.
  PlaFile nul;
  const auto nulErr = ReadPlaFile(std::string(".i 2\n.o 1\n1\0 1\n", 14), nul);
  ASSERT_TRUE(nulErr);
  EXPECT_EQ(nulErr->line, 3);
  EXPECT_NE(nulErr->text.find("column 2 is byte 0x00"), std::string::npos) << nulErr->text;

  // An assignment listed both ON and OFF names both lines.
  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(".i 3\n.o 2\n.type fr\n1-- 11\n--1 10\n011 -1\n", f));
  EXPECT_EQ(States(f, 0), "-1-11111");  // "-" means nothing under fr
  std::vector<RowState> states;
  const auto err = OutputStates(f, 1, states);
  ASSERT_TRUE(err);
  EXPECT_EQ(err->line, 5);
  EXPECT_NE(err->text.find("inputs 101 are 1 for output 2 on line 4 and 0 on line 5"), std::string::npos) << err->text;
}

// The help's keyword list and the reader agree: each keyword listed as
// refused is refused with the reason the help gives, and each one taken is
// taken.
TEST(BatchPla, KeywordHelpMatchesTheReader) {
  // One item per line: the keywords, then the text; an item's text may go
  // on over lines of its own, and may name more keywords in "(also ...)".
  const std::string help = PlaKeywordHelp();
  std::vector<std::pair<std::string, std::string>> items;
  std::size_t pos = 0;
  while (pos < help.size()) {
    const std::size_t end = help.find('\n', pos);
    const std::string line = help.substr(pos, end - pos);
    pos = end + 1;
    ASSERT_GE(line.size(), 19u) << line;
    if (line[2] == '.')
      items.emplace_back(line.substr(0, 18), line.substr(18));
    else
      items.back().second += " " + line.substr(18);
  }
  int refused = 0, taken = 0;
  for (const auto& [tag, text] : items) {
    const bool isRefused = text.rfind("refused: ", 0) == 0;
    std::string names = tag;
    if (const std::size_t also = text.find("(also "); also != std::string::npos) names += text.substr(also);
    for (std::size_t at = names.find('.'); at != std::string::npos; at = names.find('.', at)) {
      const std::size_t stop = names.find_first_of(" ,)", at);
      const std::string key = names.substr(at, stop - at);
      at = stop == std::string::npos ? names.size() : stop;
      if (key == "...") continue;
      SCOPED_TRACE(key);
      PlaFile f;
      const auto err = ReadPlaFile(".i 2\n.o 1\n" + key + " 1\n11 1\n", f);
      if (isRefused) {
        ++refused;
        ASSERT_TRUE(err);
        EXPECT_EQ(err->line, 3);
        // The reason as the reader gives it begins as the help's does.
        const std::string reason = text.substr(9, 30);
        EXPECT_NE(err->text.find("the keyword " + key + " is not taken: " + reason), std::string::npos) << err->text;
      } else {
        ++taken;
        EXPECT_TRUE(!err || err->text.find("is not taken") == std::string::npos) << err->text;
      }
    }
  }
  EXPECT_EQ(taken, 8);
  EXPECT_EQ(refused, 10);
}

// ---------------------------------------------------------------- PLA runs

bool CoversAny(const OutputResult& r, uint16_t a) {
  for (std::size_t t = 0; t < r.value.size(); ++t)
    if (((r.value[t] ^ a) & r.mask[t]) == 0) return true;
  return false;
}

// A dozen outputs of random cubes with don't-cares, every output's ON and
// OFF rows worked out here from the rows as written, and each result
// checked against them in both forms; then the PLA written back is read
// again and lists the same functions.
TEST(BatchPlaRun, TwelveOutputsWithDontCaresMeetTheirOnAndOffSets) {
  constexpr unsigned kInputs = 7, kOutputs = 12, kRows = 40;
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
  std::string text = ".i 7\n.o 12\n.ilb a b c d e f g\n.type fd\n";
  std::vector<std::string> cubes, outs;
  for (unsigned r = 0; r < kRows; ++r) {
    std::string cube, out;
    for (unsigned c = 0; c < kInputs; ++c) cube += "01--"[next() % 4];
    for (unsigned k = 0; k < kOutputs; ++k) out += k == 10 ? '0' : k == 11 ? "10~"[next() % 3] : "110-~"[next() % 5];
    cubes.push_back(cube);
    outs.push_back(out);
    text += cube.substr(0, 3) + " " + cube.substr(3) + " | " + out + "\n";
  }
  // The last output is 1 everywhere.
  text += "------- 000000000001\n";
  cubes.push_back("-------");
  outs.push_back("000000000001");

  // ON, don't-care and OFF as .type fd means them: a listed don't-care wins.
  auto matches = [&](const std::string& cube, unsigned a) {
    for (unsigned c = 0; c < kInputs; ++c)
      if (cube[c] != '-' && (cube[c] == '1') != ((a >> c & 1) == 1)) return false;
    return true;
  };
  std::vector<std::vector<char>> expected(kOutputs, std::vector<char>(1u << kInputs, '0'));
  for (unsigned k = 0; k < kOutputs; ++k)
    for (unsigned a = 0; a < (1u << kInputs); ++a) {
      bool on = false, dc = false;
      for (std::size_t r = 0; r < cubes.size(); ++r) {
        if (!matches(cubes[r], a)) continue;
        on = on || outs[r][k] == '1';
        dc = dc || outs[r][k] == '-';
      }
      expected[k][a] = dc ? '-' : on ? '1' : '0';
    }

  PlaFile f;
  const auto err = ReadPlaFile(text, f);
  ASSERT_FALSE(err) << err->line << ": " << err->text;
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  for (bool pos : {false, true}) {
    SCOPED_TRACE(pos ? "product of sums" : "sum of products");
    auto e = std::make_unique<Engine>();
    NullHost host;
    const PlaRun run = RunPla(*e, host, f, states, pos);
    ASSERT_EQ(run.outputs.size(), kOutputs);
    EXPECT_EQ(PlaExitStatus(run), kExitOk);
    const char target = pos ? '0' : '1', opposite = pos ? '1' : '0';
    for (unsigned k = 0; k < kOutputs; ++k) {
      const OutputResult& r = run.outputs[k];
      EXPECT_TRUE(r.run.verified) << "output " << k + 1;
      for (unsigned a = 0; a < (1u << kInputs); ++a) {
        if (expected[k][a] == target) {
          EXPECT_TRUE(CoversAny(r, a)) << "output " << k + 1 << " row " << a;
        } else if (expected[k][a] == opposite) {
          EXPECT_FALSE(CoversAny(r, a)) << "output " << k + 1 << " row " << a;
        }
      }
      // No term covers only don't-cares.
      for (std::size_t t = 0; t < r.value.size(); ++t) {
        bool needed = false;
        for (unsigned a = 0; a < (1u << kInputs); ++a)
          needed = needed || (expected[k][a] == target && ((r.value[t] ^ a) & r.mask[t]) == 0);
        EXPECT_TRUE(needed) << "output " << k + 1 << " term " << t;
      }
    }
    // Output 11 is 0 everywhere, output 12 is 1 everywhere.
    EXPECT_EQ(run.outputs[10].constant, 0);
    EXPECT_EQ(run.outputs[11].constant, 1);

    PlaFile back;
    ASSERT_FALSE(ReadPlaFile(WritePlaResults(f, run), back));
    EXPECT_EQ(back.inputNames, f.inputNames);
    for (unsigned k = 0; k < kOutputs; ++k) {
      std::vector<RowState> written;
      ASSERT_FALSE(OutputStates(back, k, written));
      for (unsigned a = 0; a < (1u << kInputs); ++a)
        EXPECT_EQ(written[a] == TargetState(pos), CoversAny(run.outputs[k], a)) << "output " << k + 1 << " row " << a;
    }
  }
}

// Files written the way the format's users write them, run and checked.
TEST(BatchPlaRun, SmallFilesGiveTheirResults) {
  struct Case {
    const char* text;
    int pos;  // -1 as the file lists
    std::vector<std::vector<std::string>> rows;  // per output, as the output pane shows them
    std::vector<int> constant;
  } cases[] = {
      // blanks and "|" in the cubes; the don't-care 11 lets one term cover both ON rows
      {".i 2\n.o 1\n.type fd\n1 0 | 1\n0 1 | 1\n1 1 | -\n", -1, {{"1 x", "x 1"}}, {-1}},
      {".i 3\n.o 1\n.type fd\n10- 1\n11- -\n", -1, {{"1 x x"}}, {-1}},
      // fr: the rows listed neither way are don't-cares
      {".i 3\n.o 1\n.type fr\n111 1\n000 0\n", -1, {{"x x 1"}}, {-1}},
      // r: a product of sums of the OFF-set
      {".i 2\n.o 1\n.type r\n00 0\n", -1, {{"1 1"}}, {-1}},
      // constants are results: 0 with no term, 1 with one of no variable
      {".i 2\n.o 2\n-- 01\n", -1, {{}, {"x x"}}, {0, 1}},
      {".i 2\n.o 2\n-- 01\n", 1, {{"x x"}, {}}, {0, 1}},
      {".i 2\n.o 1\n.type fd\n-- -\n", -1, {{}}, {0}},
  };
  for (const Case& c : cases) {
    PlaFile f;
    ASSERT_FALSE(ReadPlaFile(c.text, f)) << c.text;
    std::vector<std::vector<RowState>> states;
    ASSERT_FALSE(AllOutputStates(f, states)) << c.text;
    const bool pos = c.pos < 0 ? !(f.sets & kListsOn) : c.pos == 1;
    auto e = std::make_unique<Engine>();
    NullHost host;
    const PlaRun run = RunPla(*e, host, f, states, pos);
    ASSERT_EQ(run.outputs.size(), c.rows.size()) << c.text;
    EXPECT_EQ(PlaExitStatus(run), kExitOk) << c.text;
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
      const OutputResult& r = run.outputs[k];
      std::vector<std::string> rows;
      for (std::size_t t = 0; t < r.value.size(); ++t) rows.push_back(RowText(*e, r.value[t], r.mask[t]));
      EXPECT_EQ(rows, c.rows[k]) << c.text << " output " << k + 1;
      EXPECT_EQ(r.constant, c.constant[k]) << c.text << " output " << k + 1;
      EXPECT_TRUE(r.run.verified) << c.text;
    }
  }
}

// Without the reduction only the terms of no ON row go.
TEST(BatchPlaRun, WithoutReductionTheTableStaysAsLoaded) {
  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(".i 2\n.o 1\n11 1\n11 1\n00 -\n10 -\n", f));
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  for (bool reduce : {false, true}) {
    auto e = std::make_unique<Engine>();
    e->ReduceOn = reduce ? 1 : 0;
    NullHost host;
    const PlaRun run = RunPla(*e, host, f, states, false);
    ASSERT_EQ(run.outputs.size(), 1u);
    EXPECT_TRUE(run.outputs[0].run.verified);
    EXPECT_EQ(run.outputs[0].value.size(), reduce ? 1u : 2u) << (reduce ? "reduced" : "as loaded");
  }
}

TEST(BatchPlaRun, InterruptEndsTheOutputsStillToCome) {
  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(".i 2\n.o 3\n11 111\n01 100\n", f));
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  auto e = std::make_unique<Engine>();
  NullHost host;
  gInterrupted = 1;
  const PlaRun run = RunPla(*e, host, f, states, false);
  gInterrupted = 0;
  EXPECT_TRUE(run.interrupted);
  EXPECT_TRUE(run.outputs.empty());
  EXPECT_EQ(PlaExitStatus(run), kExitInterrupted);
  const auto json = PlaJsonResult(*e, f, run);
  EXPECT_EQ(json["outcome"], "interrupted");
  EXPECT_EQ(json["exit_status"], 130);
}

// Names are any bytes a file holds; the JSON text carries a byte that is
// not UTF-8 as U+FFFD and keeps the rest, where the library would throw.
TEST(BatchPlaRun, JsonOfNamesThatAreNotUtf8) {
  PlaFile f;
  ASSERT_FALSE(ReadPlaFile(".i 2\n.o 1\n.ilb a\xff" "b c\xc3\xa9\n.ob o\xfe\n11 1\n", f));
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  auto e = std::make_unique<Engine>();
  NullHost host;
  const PlaRun run = RunPla(*e, host, f, states, false);
  std::string text;
  ASSERT_NO_THROW(text = JsonText(PlaJsonResult(*e, f, run)));
  const auto back = nlohmann::json::parse(text);
  EXPECT_EQ(back["names"][0], "a\xef\xbf\xbd" "b");
  EXPECT_EQ(back["names"][1], "c\xc3\xa9");
  EXPECT_EQ(back["outputs"][0]["name"], "o\xef\xbf\xbd");
  EXPECT_EQ(back["exit_status"], 0);
}

}  // namespace
}  // namespace tervo::batch
