// The PLA path of tervo42-batch at any width: which road a file takes, the
// function a form covers, the table's results checked by the cover
// checker, and the reports of a run of the minimiser library.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "check.h"
#include "engine.h"
#include "pla.h"
#include "pla_run.h"
#include "pla_wide.h"
#include "report.h"

namespace tervo::batch {
namespace {

minimiser::Pla Read(const std::string& text) {
  minimiser::Pla p;
  const auto err = minimiser::ReadPla(text, p);
  EXPECT_FALSE(err) << (err ? err->text : "");
  return p;
}

// A file of `inputs` inputs and `rows` rows of one output.
minimiser::Pla Shape(unsigned inputs, std::size_t rows) {
  minimiser::Pla p;
  p.inputs = inputs;
  p.outputs = 1;
  p.in.assign(rows, std::string(inputs, '-'));
  p.out.assign(rows, "1");
  p.line.assign(rows, 0);
  return p;
}

TEST(BatchWide, ChoosesTheTableByTheFunction) {
  struct Case {
    unsigned inputs;
    std::size_t rows;
    bool table;
  } cases[] = {
      {4, 1, true},           // a small table whatever the rows
      {10, 1, true},          // 3^10: still small
      {15, 2, false},         // two cubes of 15 inputs: cube lists
      {11, 2, false},         // 3^11 for two rows
      {15, 8000, true},       // many rows: the table is cheap beside them
      {13, 8191, true},       // as for a 6-bit adder listed point by point
      {16, 40000, false},     // more than the table holds
      {15, 40000, false},     // more rows than the engine's table holds
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseTablePath(Shape(c.inputs, c.rows)), c.table) << c.inputs << " inputs, " << c.rows << " rows";
}

TEST(BatchWide, TargetFunctionSwapsOnAndOffForAProductOfSums) {
  struct Case {
    const char* type;
    const char* swapped;
  } cases[] = {{"f", "r"}, {"r", "f"}, {"fd", "dr"}, {"dr", "fd"}, {"fr", "fr"}, {"fdr", "fdr"}};
  for (const Case& c : cases) {
    minimiser::Pla p = Read(std::string(".i 2\n.o 3\n.type ") + c.type + "\n11 10-\n");
    EXPECT_EQ(TargetFunction(p, false).out, p.out);
    const minimiser::Pla t = TargetFunction(p, true);
    EXPECT_EQ(t.type, c.swapped);
    EXPECT_EQ(t.out[0], "01-");
  }
  // A cover of the OFF-set is a cover of the swapped function's ON-set.
  const minimiser::Pla p = Read(".i 2\n.o 1\n.type fd\n11 1\n");
  EXPECT_TRUE(minimiser::CheckCover(TargetFunction(p, true), Read(".i 2\n.o 1\n0- 1\n-0 1\n")).ok);
  EXPECT_FALSE(minimiser::CheckCover(TargetFunction(p, true), Read(".i 2\n.o 1\n0- 1\n")).ok);
}

// The table's results, each form, pass the cover checker; a result with a
// term taken away does not.
TEST(BatchWide, TableResultsPassTheChecker) {
  const std::string text = ".i 4\n.o 2\n.ob s c\n11-- 01\n--11 11\n0000 1-\n1010 -0\n";
  const minimiser::Pla pla = Read(text);
  PlaFile f;
  ASSERT_FALSE(NarrowPlaFile(pla, f));
  std::vector<std::vector<RowState>> states;
  ASSERT_FALSE(AllOutputStates(f, states));
  for (bool pos : {false, true}) {
    for (bool shared : {false, true}) {
      SCOPED_TRACE(std::string(pos ? "pos" : "sop") + (shared ? " shared" : " per output"));
      auto e = std::make_unique<Engine>();
      e->CnfMode = 1;
      e->ReduceOn = 1;
      NullHost host;
      PlaRun run = shared ? RunSharedPla(*e, host, f, states, pos, 10) : RunPla(*e, host, f, states, pos);
      ASSERT_EQ(PlaExitStatus(run), kExitOk);
      const minimiser::CheckReport ok = minimiser::CheckCover(TargetFunction(pla, pos), CoverOfRun(f, run));
      EXPECT_TRUE(ok.ok) << ok.text;
      for (OutputResult& r : run.outputs)
        if (!r.value.empty()) {
          r.value.pop_back();
          r.mask.pop_back();
        }
      EXPECT_FALSE(minimiser::CheckCover(TargetFunction(pla, pos), CoverOfRun(f, run)).ok);
    }
  }
}

// The reports of a run of the minimiser library, from a run made by hand:
// terms as their text at any width, nothing shown of a cover that fails
// its check.
TEST(BatchWide, ReportsTermsAsTextAndHidesUncheckedCovers) {
  std::string row(40, '-');
  const minimiser::Pla file = Read(".i 40\n.o 2\n.ob f g\n1" + row.substr(1) + " 10\n-1" + row.substr(2) + " 01\n");
  WideRun run;
  run.cover = file;
  run.cover.type = "f";
  run.check = minimiser::CheckCover(file, run.cover);
  ASSERT_TRUE(run.check.ok) << run.check.text;
  run.result.minimum = true;
  auto j = WideJsonResult(file, run);
  EXPECT_EQ(j["terms"][0]["inputs"], file.in[0]);
  EXPECT_EQ(j["outputs"][1]["terms"][0], file.in[1]);
  EXPECT_EQ(j["outputs"][1]["name"], "g");
  EXPECT_EQ(j["exit_status"], kExitOk);
  EXPECT_NE(WideTextReport(file, run).find(file.in[0] + " 10\n"), std::string::npos);
  EXPECT_NE(WideMessage(run).find("2 terms, minimum"), std::string::npos) << WideMessage(run);
  // Written as PLA it reads back and passes the checker, in each form.
  for (bool pos : {false, true}) {
    run.pos = pos;
    const minimiser::Pla back = Read(WriteWideResults(file, run));
    EXPECT_EQ(back.type, pos ? "r" : "f");
    EXPECT_EQ(back.outputNames, file.outputNames);
    EXPECT_TRUE(minimiser::CheckCover(TargetFunction(back, pos), run.cover).ok);
  }
  run.pos = false;
  run.cover.out[1] = "11";  // serves an output it must not
  run.check = minimiser::CheckCover(file, run.cover);
  ASSERT_FALSE(run.check.ok);
  j = WideJsonResult(file, run);
  EXPECT_EQ(j["exit_status"], kExitVerify);
  EXPECT_TRUE(j["terms"].empty());
  EXPECT_EQ(j["outputs"][0]["verified"], false);
  EXPECT_EQ(j["outputs"][1]["verified"], true);
  EXPECT_NE(WideMessage(run).find("fails its check: output 1 (f)"), std::string::npos) << WideMessage(run);
}

// A run of the minimiser: a cover that passed the checker, or a refusal
// that says why (while the minimiser refuses every file).
TEST(BatchWide, RunsTheMinimiserAndChecksItsCover) {
  const minimiser::Pla file = Read(".i 20\n.o 2\n1------------------- 10\n-1------------------ 11\n");
  NullHost host;
  for (bool pos : {false, true}) {
    const WideRun run = RunWidePla(host, file, pos, -1);
    ASSERT_FALSE(run.Refused()) << run.result.message;
    EXPECT_TRUE(run.check.ok) << run.check.text;
    EXPECT_EQ(WideExitStatus(run), kExitOk);
    EXPECT_EQ(run.cover.Rows(), 2u);
  }
}

// Both roads on random narrow files: the cube lists' cover passes the
// checker, never has fewer rows than the table's proved minimum, claims a
// minimum only with that many rows, and bounds no higher than it.
TEST(BatchWide, ListsAgreeWithTheTablesProvedMinimum) {
  std::mt19937 rng(31);
  int proved = 0, claimed = 0;
  for (int t = 0; t < 40; ++t) {
    const unsigned n = 3 + rng() % 8, m = 1 + rng() % 3, rows = 4 + rng() % 40;
    std::string text = ".i " + std::to_string(n) + "\n.o " + std::to_string(m) + "\n.type fd\n";
    for (unsigned r = 0; r < rows; ++r) {
      std::string in(n, '-'), out(m, '0');
      for (char& c : in) c = "01--"[rng() % 4];
      for (char& c : out) c = "1100-"[rng() % 5];
      text += in + " " + out + "\n";
    }
    SCOPED_TRACE(text);
    const minimiser::Pla pla = Read(text);
    PlaFile f;
    ASSERT_FALSE(NarrowPlaFile(pla, f));
    std::vector<std::vector<RowState>> states;
    ASSERT_FALSE(AllOutputStates(f, states));
    auto e = std::make_unique<Engine>();
    e->CnfMode = 1;
    e->ReduceOn = 1;
    NullHost host;
    const PlaRun table = RunSharedPla(*e, host, f, states, false, 10);
    const WideRun lists = RunWidePla(host, pla, false, -1);
    ASSERT_FALSE(lists.Refused()) << lists.result.message;
    EXPECT_TRUE(lists.check.ok) << lists.check.text;
    if (!table.cover.minimum) continue;
    ++proved;
    EXPECT_GE(lists.cover.Rows(), table.rows);
    EXPECT_LE(lists.result.lowerBound, table.rows);
    if (lists.result.minimum) {
      EXPECT_EQ(lists.cover.Rows(), table.rows);
      ++claimed;
    }
  }
  EXPECT_GT(proved, 20);
  EXPECT_GT(claimed, proved / 2);
}

}  // namespace
}  // namespace tervo::batch
