// The info pane's drawings at the trace stops, checked as data.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "trace_layout.h"

namespace tervo {
namespace {

// The texts on one line of the pane, left to right, joined by '|'.
std::string Line(const std::vector<InfoText>& texts, int y, int fromX = 0, int toX = 10000) {
  std::string s;
  for (const auto& t : texts)
    if (t.y == y && t.x >= fromX && t.x < toX) s += (s.empty() ? "" : "|") + t.text;
  return s;
}

const InfoText* Find(const std::vector<InfoText>& texts, const std::string& text) {
  for (const auto& t : texts)
    if (t.text == text) return &t;
  return nullptr;
}

// The pane's texts at every stop of a reduction under the Scan trace.
std::vector<std::vector<InfoText>> TraceStops(Engine& e) {
  struct Host : test::RecordingHost {
    std::vector<std::vector<InfoText>> stops;
    void DrawTraceStep(const TraceRecord& r) override { stops.push_back(TraceStepTexts(*engine, r)); }
  } host;
  host.engine = &e;
  e.TraceScan = 1;
  e.GoOn = 1;
  ReduceTruthTable(e, host);
  return host.stops;
}

TEST(TraceLayout, TranslationColumnsOfAPlusB) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Scan(*e, "A+B"), kOk);
  BuildVariableTable(*e);
  PostfixSnapshot snap;
  SnapshotPostfix(*e, snap);
  GenerateDirectors(*e);  // consumes the live table; the snapshot keeps the letters

  std::vector<InfoText> texts;
  AddPostfixTable(texts, snap);
  AddVariableTable(texts, *e);
  AddDirectorTable(texts, *e);
  EXPECT_EQ(Line(texts, 0), "postfix|variables|directors");
  EXPECT_EQ(Find(texts, "postfix")->points, 8);
  EXPECT_EQ(Line(texts, 35, 0, 100), "A|+|2");
  EXPECT_EQ(Line(texts, 53, 0, 100), "B| |0");
  EXPECT_EQ(Line(texts, 71, 0, 100), " | |0");  // the open row
  EXPECT_EQ(Line(texts, 89, 0, 100), "");
  EXPECT_EQ(Line(texts, 35, 100, 200), "1|A");
  EXPECT_EQ(Line(texts, 53, 100, 200), "2|B");
  EXPECT_EQ(Line(texts, 35, 200), "+|20|1|2");
  EXPECT_EQ(Line(texts, 53, 200), "Q|20|0|0");
  for (const auto& t : texts)
    if (t.y >= 35 && t.text != " " && !isalpha(static_cast<unsigned char>(t.text[0])) && t.text != "+") {
      EXPECT_TRUE(t.alignRight) << t.text << " at " << t.x;
    }
}

TEST(TraceLayout, FirstStopOfTheDnfReductionOfAAndB) {
  auto e = test::NewEngine();
  e->CnfMode = 0;
  ASSERT_EQ(test::Translate(*e, "A.B"), kOk);
  const std::vector<InfoText> first = TraceStops(*e).at(0);
  EXPECT_EQ(Line(first, 5), "truth table compare");
  EXPECT_EQ(Line(first, 20), "A|B");
  EXPECT_EQ(Line(first, 40), "i=    1:|0|0");
  EXPECT_EQ(Line(first, 60), "j=    2:|1|0");
  EXPECT_EQ(Line(first, 100), "difference|1|0");
  EXPECT_EQ(Line(first, 120), "");
  EXPECT_EQ(Line(first, 160), "(2)");
  EXPECT_EQ(Line(first, 180), "delete [j] , drop [i] diff");
  EXPECT_EQ(Find(first, "B")->x, 140);
}

TEST(TraceLayout, VirtualCompareShowsNewTermHistoryAndStack) {
  auto e = test::NewEngine();
  ASSERT_EQ(test::Table(*e, "ABCD\n11  \n0 1 \n 0 1"), kOk);
  const std::vector<std::vector<InfoText>> stops = TraceStops(*e);
  ASSERT_GE(stops.size(), 7u);
  const auto& newVt = stops[3];  // the VT B.C meets entry 3
  EXPECT_EQ(Line(newVt, 5), "virtual term compare");
  EXPECT_EQ(Line(newVt, 40), "VT|x|1|1|x");
  EXPECT_EQ(Line(newVt, 60), "k=    3:|x|0|x|1");
  EXPECT_EQ(Line(newVt, 160), "new VT|x|x|1|1");
  EXPECT_EQ(Line(newVt, 200), "");  // history 0 draws no line
  // the next scan runs with the stacked term and shows its history
  EXPECT_EQ(Line(stops[4], 200), "VT history|0|1|0|0");
}

TEST(TraceLayout, StackListsAtMostFourteenWaitingTerms) {
  auto e = test::NewEngine();
  e->VariableCount = 2;
  e->VariableTable = {'A', 'B'};
  e->StackCount = 15;
  e->StackPos = 0;
  for (int s = 1; s <= 15; ++s) e->VirtualStack[s] = VirtualSlot{1, 3, 1};
  std::vector<InfoText> texts;
  AddVirtualStack(texts, *e);
  EXPECT_EQ(Line(texts, 220), "virtual stack|A|B");
  EXPECT_EQ(Line(texts, 220 + 20 * 14), "1|0");
  EXPECT_EQ(Line(texts, 220 + 20 * 15), "");
  e->StackPos = 13;
  texts.clear();
  AddVirtualStack(texts, *e);
  EXPECT_EQ(Line(texts, 240), "1|0");
  EXPECT_EQ(Line(texts, 260), "1|0");
  EXPECT_EQ(Line(texts, 280), "");
}

TEST(TraceLayout, PadNumber) {
  EXPECT_EQ(PadNumber(7, 5), "    7");
  EXPECT_EQ(PadNumber(32768, 5), "32768");
  EXPECT_EQ(PadNumber(123, 2), "123");
}

}  // namespace
}  // namespace tervo
