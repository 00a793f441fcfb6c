// The reduction: the walkthroughs of its passes, virtual terms, the empty
// end, slices, trace stops and the records handed to the trace panel.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fast_reduce.h"
#include "test_support.h"

namespace tervo {
namespace {

using test::Rows;

std::vector<std::pair<int, int>> KindsAndCodes(const test::RecordingHost& h) {
  std::vector<std::pair<int, int>> v;
  for (const auto& r : h.records) v.emplace_back(r.kind, r.code);
  return v;
}

// Reduce with the Scan trace on, recording every step.
void TracedReduce(Engine& e, test::RecordingHost& host) {
  host.engine = &e;
  e.TraceScan = 1;
  e.GoOn = 1;
  ReduceTruthTable(e, host);
}

// The machine's code of a first term (v1, m1) with a second (v2, m2).
CompareCode Compare(uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2) {
  return CodeOf(full, m1, m2, Difference(v1, m1, v2, m2));
}

TEST(Compare, CodesFollowDifferenceAndHoles) {
  const uint16_t full = 7;
  EXPECT_EQ(Compare(full, 3, 7, 3, 7), 1);   // same variables, agreeing
  EXPECT_EQ(Compare(full, 3, 7, 2, 7), 2);   // one opposite
  EXPECT_EQ(Compare(full, 3, 7, 0, 7), 0);   // two opposite
  EXPECT_EQ(Compare(full, 3, 3, 3, 7), 9);   // first lacks C, agreeing
  EXPECT_EQ(Compare(full, 3, 7, 3, 3), 5);   // second lacks C, agreeing
  EXPECT_EQ(Compare(full, 1, 3, 4, 5), 14);  // each lacks one, one opposite
  EXPECT_EQ(Compare(full, 3, 3, 6, 6), 13);  // each lacks one, agreeing
}

TEST(CodeTable, TheTraceNamesAVirtualTermExactlyWhereOneIsFormed) {
  // Every code of both kinds, with and without each pass-over condition:
  // the text and the formed consensus come from the same row, and a code
  // that does not act shows "no action" whatever the state.
  auto e = test::NewEngine();
  for (const CodeRow& row : kCodeTable) {
    for (const uint8_t kind : {kPairCompare, kVirtualCompare}) {
      for (int conditions = 0; conditions < 8; ++conditions) {
        TraceRecord r;
        r.kind = kind;
        r.code = row.code;
        r.rescan = conditions & 1;
        r.k = 5;
        e->TermMark[5] = (conditions >> 1) & 1;
        r.diff = 1;
        r.history = (conditions >> 2) & 1;
        const std::string text = ActionText(*e, r);
        const std::string what = std::to_string(kind) + "/" + std::to_string(row.code) + "/" + std::to_string(conditions);
        EXPECT_EQ(FormsVirtualTerm(*e, r), text == "virtual:" || text == "new VT") << what;
        if (!row.acts) {
          EXPECT_EQ(text, "no action") << what;
        }
      }
    }
  }
}

TEST(HasSingleBit, CountsBits) {
  EXPECT_FALSE(HasSingleBit(0));
  EXPECT_TRUE(HasSingleBit(1));
  EXPECT_TRUE(HasSingleBit(0x4000));
  EXPECT_FALSE(HasSingleBit(3));
  EXPECT_FALSE(HasSingleBit(0x8001));
}

TEST(CompactTable, KeepsOrderAndCount) {
  auto e = test::NewEngine();
  const uint16_t masks[] = {3, 0, 1, 0, 2};
  for (int t = 1; t <= 5; ++t) {
    e->TermValue[t] = static_cast<uint16_t>(t);
    e->TermMask[t] = masks[t - 1];
  }
  e->TermCount = 5;
  EXPECT_EQ(CompactTable(*e), 3);
  EXPECT_EQ(e->TermValue[1], 1);
  EXPECT_EQ(e->TermValue[2], 3);
  EXPECT_EQ(e->TermValue[3], 5);
}

TEST(Reduce, DnfOfAAndB) {
  auto e = test::NewEngine();
  e->CnfMode = 0;
  ASSERT_EQ(test::Translate(*e, "A.B"), kOk);
  test::RecordingHost host;
  TracedReduce(*e, host);
  EXPECT_EQ(KindsAndCodes(host), (std::vector<std::pair<int, int>>{{1, 2}, {1, 10}, {1, 13}}));
  const TraceRecord& first = host.records[0];
  EXPECT_EQ(first.i, 1);
  EXPECT_EQ(first.j, 2);
  EXPECT_EQ(first.diff, 1);
  EXPECT_EQ(first.noDiff, 0);
  EXPECT_EQ(first.singleDiff, 1);
  EXPECT_EQ(first.firstHole, 0);
  EXPECT_EQ(first.secondHole, 0);
  EXPECT_EQ(first.rescan, 0);
  EXPECT_EQ(host.records[1].rescan, 1);  // set by the merge before it
  EXPECT_EQ(host.actions,
            (std::vector<std::string>{"delete [j] , drop [i] diff", "drop [j] diff", "no action"}));
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"x1", "1x"}));
  EXPECT_GE(host.clears, 1);  // the record kept for repaints is forgotten at the end
}

TEST(Reduce, CnfOfTwoProductsFormsButDoesNotAddTheirConsensus) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "A.B+/A.C"), kOk);
  ASSERT_EQ(e->TermCount, 4);
  test::RecordingHost host;
  TracedReduce(*e, host);
  EXPECT_EQ(KindsAndCodes(host),
            (std::vector<std::pair<int, int>>{{1, 0}, {1, 0}, {1, 2}, {1, 2}, {1, 14}, {2, 13}, {2, 13}}));
  EXPECT_EQ(host.vts[5], std::make_pair(uint16_t{6}, uint16_t{6}));  // the VT B.C
  EXPECT_EQ(host.actions[4], "virtual:");
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"11x", "0x1"}));
  for (int t = 1; t <= e->TermCount; ++t) EXPECT_EQ(e->TermMark[t], 0);
}

TEST(Reduce, VirtualTermDeletesAnEntryItCovers) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ABC\n11 \n0 1\n 11"), kOk);
  test::RecordingHost host;
  TracedReduce(*e, host);
  // (1,2) forms B.C, which meets entry 3 with code 1 and deletes it.
  ASSERT_EQ(host.records.size(), 4u);
  EXPECT_EQ(host.records[3].kind, 2);
  EXPECT_EQ(host.records[3].k, 3);
  EXPECT_EQ(host.records[3].code, 1);
  EXPECT_EQ(host.actions[3], "delete TT");
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"11x", "0x1"}));
}

TEST(Reduce, StackedVirtualTermIsScannedAfterItsParent) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ABCD\n11  \n0 1 \n 0 1"), kOk);
  test::RecordingHost host;
  TracedReduce(*e, host);
  // records: (1,2) code 14, then the VT B.C meets entries 1, 2, 3
  ASSERT_GE(host.records.size(), 8u);
  const TraceRecord& stacked = host.records[3];
  EXPECT_EQ(stacked.kind, 2);
  EXPECT_EQ(stacked.k, 3);
  EXPECT_EQ(stacked.code, 14);
  EXPECT_EQ(stacked.history, 0);
  EXPECT_EQ(host.actions[3], "new VT");
  EXPECT_EQ(host.actions[1], "no action");
  // the stacked C.D becomes the VT and meets every entry with code 13
  for (int s = 4; s < 7; ++s) {
    EXPECT_EQ(host.records[s].kind, 2);
    EXPECT_EQ(host.records[s].code, 13);
    EXPECT_EQ(host.vts[s], std::make_pair(uint16_t{12}, uint16_t{12}));
  }
  EXPECT_EQ(host.records[6].history, 2);
  // then the j loop goes on with (1,3), which forms A.D
  EXPECT_EQ(host.records[7].kind, 1);
  EXPECT_EQ(host.records[7].i, 1);
  EXPECT_EQ(host.records[7].j, 3);
  EXPECT_EQ(host.records[7].code, 14);
  EXPECT_EQ(host.vts[8], std::make_pair(uint16_t{9}, uint16_t{9}));
  EXPECT_TRUE(VerifyResult(*e));
}

TEST(Reduce, TablesCoveringEverythingEndEmpty) {
  const char* tables[] = {
      "ABC\n11 \n0 1\n 0 \n  0",  // through virtual terms
      "A\n1\n0",                    // a merge empties a mask in the j loop
      "AB\n1 \n01\n00",
      "AB\n 1\n 0\n11",
  };
  for (const char* t : tables) {
    auto e = test::NewEngine();
    ASSERT_EQ(test::Table(*e, t), kOk) << t;
    test::Reduce(*e);
    EXPECT_EQ(e->TermCount, 0) << t;
  }
}

TEST(Reduce, TablesOfZeroOrOneEntryAreLeftAlone) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "AB\n1"), kOk);
  test::RecordingHost host;
  TracedReduce(*e, host);
  EXPECT_TRUE(host.records.empty());
  EXPECT_EQ(e->TermCount, 1);
  EXPECT_EQ(e->TermMask[1], 1);

  auto empty = test::NewEngine();
  ASSERT_EQ(test::Table(*empty, "AB"), kOk);
  test::Reduce(*empty);
  EXPECT_EQ(empty->TermCount, 0);
}

TEST(Reduce, OfTwoEqualEntriesTheLaterGoes) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ABC\n1 0\n1 0\n01 "), kOk);
  test::RecordingHost host;
  TracedReduce(*e, host);
  ASSERT_GE(host.records.size(), 1u);
  EXPECT_EQ(host.records[0].code, 1);
  EXPECT_EQ(host.records[0].j, 2);
  EXPECT_EQ(Rows(*e), (std::vector<std::string>{"1x0", "01x"}));
}

TEST(Reduce, EscapeAtAnyTraceStopLeavesAnEmptyTable) {
  for (long stop : {0L, 3L, 5L, 9L}) {
    auto e = test::NewEngine();
    ASSERT_EQ(test::Table(*e, "ABCD\n11  \n0 1 \n 0 1"), kOk);
    test::RecordingHost host;
    host.stopAfter = stop;
    TracedReduce(*e, host);
    EXPECT_EQ(e->GoOn, 0);
    EXPECT_EQ(e->TermCount, 0) << stop;
    EXPECT_EQ(host.steps, stop + 1) << "no further stop after the run was ended";
    for (int t = 1; t <= 3; ++t) EXPECT_EQ(e->TermMark[t], 0);
  }
}

TEST(Reduce, ProgressMarksCycleOneToNine) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "A-B-C-D-E-F-G+H.I"), kOk);
  e->SliceBudget = 1;
  test::RecordingHost host;
  host.engine = e.get();
  e->GoOn = 1;
  ReduceTruthTable(*e, host);
  EXPECT_GT(host.progress, 12);  // many slices
  EXPECT_EQ(host.lastProgress.rfind("scanning truth table ", 0), 0u);
  const size_t marks = host.lastProgress.size() - std::string("scanning truth table ").size();
  EXPECT_GE(marks, 1u);
  EXPECT_LE(marks, 9u);
  EXPECT_TRUE(VerifyResult(*e));
}

TEST(Reduce, SlicesEndingAnywhereGiveTheSameTable) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    const int n = 3 + round % 6;
    auto one = test::NewEngine();
    auto sliced = test::NewEngine();
    for (Engine* e : {one.get(), sliced.get()}) {
      e->VariableCount = static_cast<uint8_t>(n);
      e->TermCount = 0;
    }
    std::bernoulli_distribution coin(0.45);
    for (uint32_t r = 0; r < (1u << n); ++r) {
      if (!coin(rng)) continue;
      for (Engine* e : {one.get(), sliced.get()}) {
        ++e->TermCount;
        e->TermValue[e->TermCount] = static_cast<uint16_t>(r);
        e->TermMask[e->TermCount] = LowMask(n);
      }
    }
    sliced->SliceBudget = round % 5;  // 0..4 steps: a slice ends after almost every i
    test::Reduce(*one);
    test::Reduce(*sliced);
    ASSERT_EQ(one->TermCount, sliced->TermCount) << round;
    for (int t = 1; t <= one->TermCount; ++t) {
      EXPECT_EQ(one->TermValue[t] & one->TermMask[t], sliced->TermValue[t] & sliced->TermMask[t]);
      EXPECT_EQ(one->TermMask[t], sliced->TermMask[t]);
    }
  }
}

TEST(Reduce, PassesStartedByVirtualTermsCanEndASlice) {
  // (1,2) forms a VT whose scan widens a flagged entry, so the first pass is
  // abandoned for a new one before its first j loop ends: the slice ends
  // there instead of running on into the next pass. Both paths do so, and a
  // run may switch paths between slices (the Scan box ticked mid-run).
  using Slice = uint8_t (*)(Engine&, RunHost&, uint8_t);
  const Slice paths[2] = {[](Engine& e, RunHost& host, uint8_t r) { return ScanSlice(e, host, r); },
                          [](Engine& e, RunHost& host, uint8_t r) { return FastScanSlice(e, host, r); }};
  for (int first = 0; first < 2; ++first) {
    auto e = test::NewEngine();
    ASSERT_EQ(test::Table(*e, "ABC\n11 \n0 1\n 0 \n  0"), kOk);
    e->FullMask = LowMask(e->VariableCount);
    e->SliceBudget = 0;
    e->GoOn = 1;
    NullHost host;
    ASSERT_EQ(paths[first](*e, host, 0), kSliceMore) << first;
    EXPECT_EQ(e->Reduce.phase == ReducePhase::kPassStart, 1);
    EXPECT_EQ(e->TermCount, 4);  // the next pass, which compacts, has not begun
    uint8_t r = kSliceMore;
    for (int slices = 0; r == kSliceMore && slices < 100; ++slices) r = paths[(first + 1 + slices) % 2](*e, host, 1);
    EXPECT_EQ(r, kSliceDone);
    EXPECT_EQ(e->TermCount, 0);
    EXPECT_EQ(e->Reduce.phase == ReducePhase::kPassStart, 0);
  }
}

TEST(Reduce, EscapeBetweenSlicesStopsWithoutCompacting) {
  struct EscHost : test::RecordingHost {
    void ProcessPendingEvents() override {
      if (++events == 3 && engine) engine->GoOn = 0;
    }
  } host;
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "A-B-C-D-E-F+G.H"), kOk);
  e->SliceBudget = 1;
  host.engine = e.get();
  e->GoOn = 1;
  ReduceTruthTable(*e, host);
  EXPECT_EQ(host.events, 3);
  EXPECT_EQ(e->GoOn, 0);
}

TEST(Verify, CatchesALiteralDroppedTooMany) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "A.B+/A.C"), kOk);
  test::Reduce(*e);
  ASSERT_TRUE(VerifyResult(*e));
  e->TermMask[1] = 1;  // A alone: covers A./B too
  EXPECT_FALSE(VerifyResult(*e));
}

TEST(Verify, TableInputChecksAgainstTheTypedTerms) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ABC\n1 1\n1 1\n11 \n111"), kOk);
  test::Reduce(*e);
  EXPECT_EQ(e->TermCount, 2);
  EXPECT_TRUE(VerifyResult(*e));
  e->TermMask[2] = 0x1;  // widen a term beyond what was typed
  EXPECT_FALSE(VerifyResult(*e));
}

TEST(Reduce, FifteenVariablesAllRowsButOne) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Translate(*e, "/(A.B.C.D.E.F.G.H.I.J.K.L.M.N.O)"), kOk);
  ASSERT_EQ(e->TermCount, 32767);
  test::Reduce(*e);
  EXPECT_EQ(e->TermCount, 15);  // one term per inverted variable
  for (int t = 1; t <= e->TermCount; ++t) EXPECT_TRUE(HasSingleBit(e->TermMask[t]));
  EXPECT_TRUE(VerifyResult(*e));
}

}  // namespace
}  // namespace tervo
