// The Karnaugh map as data: where each assignment lands for 2 to 6
// variables, the cell values in "CNF" and "DNF" with don't-cares, the groups
// of the terms with those that wrap over an edge, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <set>
#include <string>
#include <vector>

#include "karnaugh_layout.h"

namespace tervo {
namespace {

// A term written as its values, variable 1 first: "1x0" is v1 = 1, v3 = 0.
KarnaughTerm T(const std::string& s) {
  KarnaughTerm t;
  for (size_t v = 0; v < s.size(); ++v) {
    if (s[v] == 'x') continue;
    t.mask |= static_cast<uint16_t>(1u << v);
    if (s[v] == '1') t.value |= static_cast<uint16_t>(1u << v);
  }
  return t;
}

KarnaughInput In(const std::string& letters, std::vector<std::string> terms, bool cnf = true, uint64_t dc = 0) {
  KarnaughInput in;
  in.letters = letters;
  in.cnf = cnf;
  in.dontCares = dc;
  for (const std::string& s : terms) in.terms.push_back(T(s));
  return in;
}

const std::string kLetters = "ABCDEF";

bool Inside(const KarnaughBox& inner, const KarnaughBox& outer) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
         inner.y + inner.h <= outer.y + outer.h;
}

std::vector<std::string> TextsOf(const KarnaughMap& m, KarnaughTextRole role) {
  std::vector<std::string> out;
  for (const KarnaughText& t : m.texts)
    if (t.role == role) out.push_back(t.text);
  return out;
}

// Each size: the shape, a few cells' assignments, every assignment exactly
// once, and every two neighbours -- across the edges too -- one variable apart.
TEST(KarnaughLayout, CellsOfTwoToSixVariables) {
  const struct {
    int n, submaps, rows, cols;
    std::vector<std::array<int, 4>> spots;  // submap, row, col, assignment
    std::vector<std::string> labels, corner, headings;  // headings: the first submap's columns, then rows
  } cases[] = {
      {2, 1, 2, 2, {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 0, 1, 2}}, {}, {"B", "A"}, {"0", "1", "0", "1"}},
      {3, 1, 2, 4, {{0, 1, 2, 7}, {0, 0, 3, 2}, {0, 1, 1, 5}}, {}, {"BC", "A"}, {"00", "01", "11", "10", "0", "1"}},
      {4, 1, 4, 4, {{0, 3, 0, 1}, {0, 2, 2, 15}, {0, 0, 3, 4}}, {}, {"CD", "AB"},
       {"00", "01", "11", "10", "00", "01", "11", "10"}},
      {5, 2, 4, 4, {{1, 0, 0, 1}, {0, 3, 0, 2}, {1, 2, 2, 31}}, {"A = 0", "A = 1"}, {"DE", "BC", "DE", "BC"}, {}},
      {6, 4, 4, 4, {{1, 0, 0, 2}, {2, 0, 0, 3}, {3, 0, 0, 1}, {3, 3, 3, 1 + 4 + 16}},
       {"AB = 00", "AB = 01", "AB = 11", "AB = 10"}, {"EF", "CD", "EF", "CD", "EF", "CD", "EF", "CD"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    const KarnaughMap m = LayOutKarnaugh(In(kLetters.substr(0, c.n), {std::string(c.n, '1')}));
    ASSERT_EQ(m.submaps, c.submaps);
    ASSERT_EQ(m.rows, c.rows);
    ASSERT_EQ(m.cols, c.cols);
    ASSERT_EQ(m.cells.size(), size_t{1} << c.n);
    for (const auto& s : c.spots) EXPECT_EQ(m.Cell(s[0], s[1], s[2])->assignment, s[3]);
    std::set<int> seen;
    for (const KarnaughCell& cell : m.cells) {
      seen.insert(cell.assignment);
      const KarnaughCell* right = m.Cell(cell.submap, cell.row, (cell.col + 1) % m.cols);
      const KarnaughCell* below = m.Cell(cell.submap, (cell.row + 1) % m.rows, cell.col);
      EXPECT_EQ(std::popcount(unsigned(cell.assignment ^ right->assignment)), 1);
      EXPECT_EQ(std::popcount(unsigned(cell.assignment ^ below->assignment)), 1);
      if (m.submaps > 1) {
        const KarnaughCell* next = m.Cell((cell.submap + 1) % m.submaps, cell.row, cell.col);
        EXPECT_EQ(std::popcount(unsigned(cell.assignment ^ next->assignment)), 1);
      }
    }
    EXPECT_EQ(seen.size(), size_t{1} << c.n);
    EXPECT_EQ(TextsOf(m, KarnaughTextRole::kSubmapLabel), c.labels);
    EXPECT_EQ(TextsOf(m, KarnaughTextRole::kLetters), c.corner);
    const std::vector<std::string> headings = TextsOf(m, KarnaughTextRole::kHeading);
    EXPECT_EQ(std::vector<std::string>(headings.begin(), headings.begin() + c.headings.size()), c.headings);
    // Everything lies in the window, which fits a 1280-pixel-wide screen.
    for (const KarnaughText& t : m.texts) EXPECT_TRUE(Inside(t.box, {0, 0, m.width, m.height})) << t.text;
    EXPECT_LE(m.width, 1280);
  }
}

TEST(KarnaughLayout, CellValuesInCnfAndDnfWithDontCares) {
  const struct {
    bool cnf;
    uint64_t dc;
    std::string cells;  // by assignment 0..3 of A, B: 1, 0 or x
    std::string grouped;  // by assignment: g where the groups cover that value
  } cases[] = {
      {true, 0, "0101", ".g.g"},    // the term A: 1 where A = 1
      {false, 0, "1010", ".g.g"},   // "DNF": the term lists where the function is 0
      {true, 0b0100, "01x1", ".g.g"},  // a don't-care shows x, covered or not
      {true, 0b0010, "0x01", "...g"},
  };
  for (const auto& c : cases) {
    const KarnaughMap m = LayOutKarnaugh(In("AB", {"1x"}, c.cnf, c.dc));
    std::string cells(4, '?'), grouped(4, '?');
    for (const KarnaughCell& cell : m.cells) {
      cells[cell.assignment] = "01x"[static_cast<int>(cell.value)];
      grouped[cell.assignment] = cell.grouped ? 'g' : '.';
    }
    EXPECT_EQ(cells, c.cells);
    EXPECT_EQ(grouped, c.grouped);
  }
}

struct R {
  int submap, row, col, rows, cols;
  std::string open;  // of "LRTB": the open sides
  bool operator==(const R&) const = default;
};

std::ostream& operator<<(std::ostream& os, const R& r) {
  return os << "{" << r.submap << "," << r.row << "," << r.col << "," << r.rows << "," << r.cols << ",\"" << r.open
            << "\"}";
}

std::vector<R> RectsOf(const KarnaughGroup& g) {
  std::vector<R> out;
  for (const KarnaughRect& r : g.rects) {
    std::string open;
    if (r.openLeft) open += 'L';
    if (r.openRight) open += 'R';
    if (r.openTop) open += 'T';
    if (r.openBottom) open += 'B';
    out.push_back({r.submap, r.row, r.col, r.rows, r.cols, open});
  }
  return out;
}

TEST(KarnaughLayout, GroupsWithTheirWrapAroundRectangles) {
  const struct {
    const char* what;
    int n;
    std::string term;
    std::vector<R> rects;
  } cases[] = {
      {"one cell", 4, "1111", {{0, 2, 2, 1, 1, ""}}},
      {"a row", 2, "1x", {{0, 1, 0, 1, 2, ""}}},
      {"the whole map", 3, "xxx", {{0, 0, 0, 2, 4, ""}}},
      {"two columns inside", 3, "x0x", {{0, 0, 0, 2, 2, ""}}},
      {"wrapping columns, 3 variables", 3, "xx0", {{0, 0, 0, 2, 1, "L"}, {0, 0, 3, 2, 1, "R"}}},
      {"wrapping columns", 4, "x1x0", {{0, 1, 0, 2, 1, "L"}, {0, 1, 3, 2, 1, "R"}}},
      {"wrapping rows", 4, "x01x", {{0, 0, 2, 1, 2, "T"}, {0, 3, 2, 1, 2, "B"}}},
      {"the four corners", 4, "x0x0", {{0, 0, 0, 1, 1, "LT"}, {0, 0, 3, 1, 1, "RT"}, {0, 3, 0, 1, 1, "LB"},
                                       {0, 3, 3, 1, 1, "RB"}}},
      {"both submaps of 5", 5, "x1x1x", {{0, 2, 2, 2, 2, ""}, {1, 2, 2, 2, 2, ""}}},
      {"second submap of 5, wrapping", 5, "1x0xx", {{1, 0, 0, 1, 4, "T"}, {1, 3, 0, 1, 4, "B"}}},
      {"two submaps of 6", 6, "0xxx11", {{0, 0, 2, 4, 1, ""}, {1, 0, 2, 4, 1, ""}}},
      {"corners of 6, one submap", 6, "11x0x0", {{2, 0, 0, 1, 1, "LT"}, {2, 0, 3, 1, 1, "RT"}, {2, 3, 0, 1, 1, "LB"},
                                                {2, 3, 3, 1, 1, "RB"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const KarnaughMap m = LayOutKarnaugh(In(kLetters.substr(0, c.n), {c.term}));
    ASSERT_EQ(m.groups.size(), 1u);
    EXPECT_EQ(RectsOf(m.groups[0]), c.rects);
    // Each box is the outline of its cells, inside its submap.
    for (const KarnaughRect& r : m.groups[0].rects) {
      const KarnaughCell* first = m.Cell(r.submap, r.row, r.col);
      const KarnaughCell* last = m.Cell(r.submap, r.row + r.rows - 1, r.col + r.cols - 1);
      EXPECT_EQ(r.box, (KarnaughBox{first->box.x, first->box.y, last->box.x + last->box.w - first->box.x,
                                    last->box.y + last->box.h - first->box.y}));
      EXPECT_EQ(r.clip, m.cellAreas[r.submap]);
    }
  }
}

TEST(KarnaughLayout, OverlappingGroupsNestAndEachHasItsColour) {
  const struct {
    std::vector<std::string> terms;
    std::vector<int> insets;
  } cases[] = {
      {{"1x", "x1"}, {3, 7}},              // sharing the cell A = B = 1
      {{"10", "01"}, {3, 3}},              // apart: both at the edge
      {{"1x", "x1", "11"}, {3, 7, 11}},    // three on one cell
      {{"1x", "x1", "11", "1x"}, {3, 7, 11, 3}},  // then round again
  };
  for (const auto& c : cases) {
    const KarnaughMap m = LayOutKarnaugh(In("AB", c.terms));
    std::vector<int> insets;
    std::set<uint32_t> colours;
    for (const KarnaughGroup& g : m.groups) insets.push_back(g.inset), colours.insert(g.rgb);
    EXPECT_EQ(insets, c.insets);
    EXPECT_EQ(colours.size(), c.terms.size());
  }
}

// The legend shows each term as the output pane's row under its header.
TEST(KarnaughLayout, LegendReadsAsTheOutputPane) {
  const struct {
    std::string letters;
    bool cnf;
    std::vector<std::string> terms;
    std::string header;
    std::vector<std::string> rows;
    std::string title;
  } cases[] = {
      {"ABCD", true, {"1x0x", "xx11"}, "A.B.C.D", {"1 x 0 x", "x x 1 1"}, "CNF: each term is a group of 1 cells"},
      // "DNF" rows show the opposite values, as the output pane does.
      {"CAB", false, {"1x0"}, "C+A+B", {"0 x 1"}, "DNF: each term is a group of 0 cells"},
  };
  for (const auto& c : cases) {
    const KarnaughMap m = LayOutKarnaugh(In(c.letters, c.terms, c.cnf));
    EXPECT_EQ(TextsOf(m, KarnaughTextRole::kLegendHeader), std::vector<std::string>{c.header});
    EXPECT_EQ(TextsOf(m, KarnaughTextRole::kLegend), c.rows);
    EXPECT_EQ(TextsOf(m, KarnaughTextRole::kTitle), std::vector<std::string>{c.title});
  }
}

TEST(KarnaughLayout, RefusalsAndTheirEmptyMaps) {
  const struct {
    int variables, terms;
    std::string refusal;
  } cases[] = {
      {0, 0, "no result to map"},
      {1, 2, "1 variable: a map needs 2 to 6"},
      {7, 3, "7 variables: a map needs 2 to 6"},
      {15, 1, "15 variables: a map needs 2 to 6"},
      {4, 0, "no result terms to map"},
      {2, 1, ""},
      {6, 64, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KarnaughRefusal(c.variables, c.terms), c.refusal);
    const KarnaughMap m = LayOutKarnaugh(
        In(std::string("ABCDEFGHIJKLMNO").substr(0, c.variables), std::vector<std::string>(c.terms, "1")));
    EXPECT_EQ(m.cells.empty(), !c.refusal.empty()) << c.refusal;
    if (!c.refusal.empty()) {
      EXPECT_EQ(m.width, 0);
    }
  }
}

}  // namespace
}  // namespace tervo
