#include "karnaugh_layout.h"

#include <algorithm>
#include <array>

namespace tervo {

namespace {

// Colours of the groups, in the order of the terms; they stand out on the
// light yellow background and from each other.
constexpr std::array<uint32_t, 12> kGroupColours = {
    0xE6194B, 0x3CB44B, 0x4363D8, 0xF58231, 0x911EB4, 0x0096C7,
    0xF032E6, 0x9A6324, 0x469990, 0x800000, 0x000075, 0x808000,
};

// Which variables sit on which axis: `extra` select the submap, then `rowBits`
// for the rows and `colBits` for the columns, in variable order.
struct Axes {
  int extra = 0, rowBits = 0, colBits = 0;
};

Axes AxesFor(int n) {
  switch (n) {
    case 2: return {0, 1, 1};
    case 3: return {0, 1, 2};
    case 4: return {0, 2, 2};
    case 5: return {1, 2, 2};
    default: return {2, 2, 2};
  }
}

// A term's positions along one axis (first variable `first`, `bits` of them):
// true where the term agrees with the axis' variables.
std::vector<bool> PositionsOnAxis(const KarnaughTerm& t, int first, int bits) {
  std::vector<bool> on(1u << bits);
  for (int p = 0; p < static_cast<int>(on.size()); ++p) {
    const unsigned values = GrayValues(p, bits) << first;
    const unsigned care = ((1u << bits) - 1) << first;
    on[p] = ((values ^ t.value) & t.mask & care) == 0;
  }
  return on;
}

// A stretch of positions start..start+length-1 of an axis; an open end runs
// on over the axis' edge to the other end.
struct Run {
  int start = 0, length = 0;
  bool openStart = false, openEnd = false;
};

// The positions as runs. On an axis that wraps, a stretch through both ends
// is two runs, each open on its edge side.
std::vector<Run> RunsOf(const std::vector<bool>& on) {
  const int n = static_cast<int>(on.size());
  std::vector<Run> runs;
  if (std::all_of(on.begin(), on.end(), [](bool b) { return b; })) return {{0, n, false, false}};
  for (int p = 0; p < n;) {
    if (!on[p]) {
      ++p;
      continue;
    }
    Run r{p, 0, false, false};
    while (p < n && on[p]) {
      ++r.length;
      ++p;
    }
    runs.push_back(r);
  }
  // Neighbours across the edge: the last run goes on in the first.
  if (runs.size() > 1 && on.front() && on.back()) {
    runs.front().openStart = true;
    runs.back().openEnd = true;
  }
  return runs;
}

bool Covers(const KarnaughTerm& t, unsigned a) { return ((a ^ t.value) & t.mask) == 0; }

bool Overlap(const KarnaughTerm& a, const KarnaughTerm& b, unsigned full) {
  return ((a.value ^ b.value) & a.mask & b.mask & full) == 0;
}

std::string RowText(const KarnaughTerm& t, int n, bool cnf) {
  std::string s;
  for (int v = 0; v < n; ++v) {
    if (v > 0) s += ' ';
    if (!(t.mask >> v & 1))
      s += 'x';
    else
      s += ((t.value >> v & 1) != 0) == cnf ? '1' : '0';
  }
  return s;
}

std::string HeaderText(const std::string& letters, bool cnf) {
  std::string s;
  for (size_t v = 0; v < letters.size(); ++v) {
    if (v > 0) s += cnf ? '.' : '+';
    s += letters[v];
  }
  return s;
}

}  // namespace

unsigned GrayValues(int p, int bits) {
  const unsigned g = static_cast<unsigned>(p ^ (p >> 1));
  unsigned values = 0;
  for (int j = 0; j < bits; ++j) values |= ((g >> (bits - 1 - j)) & 1u) << j;
  return values;
}

std::string GrayHeading(int p, int bits) {
  const unsigned values = GrayValues(p, bits);
  std::string s;
  for (int j = 0; j < bits; ++j) s += (values >> j & 1) ? '1' : '0';
  return s;
}

KarnaughInput KarnaughInputOf(const Engine& e) {
  KarnaughInput in;
  in.letters.assign(e.VariableTable.begin(), e.VariableTable.begin() + e.VariableCount);
  in.cnf = e.CnfMode != 0;
  for (int t = 1; t <= e.TermCount; ++t) in.terms.push_back({e.TermValue[t], e.TermMask[t]});
  return in;
}

std::string KarnaughRefusal(int variables, int terms) {
  if (variables <= 0) return "no result to map";
  if (variables < kKarnaughMinVariables || variables > kKarnaughMaxVariables)
    return std::to_string(variables) + (variables == 1 ? " variable" : " variables") + ": a map needs 2 to 6";
  if (terms <= 0) return "no result terms to map";
  return {};
}

const KarnaughCell* KarnaughMap::Cell(int submap, int row, int col) const {
  if (submap < 0 || submap >= submaps || row < 0 || row >= rows || col < 0 || col >= cols) return nullptr;
  return &cells[static_cast<size_t>((submap * rows + row) * cols + col)];
}

KarnaughMap LayOutKarnaugh(const KarnaughInput& in) {
  KarnaughMap map;
  const int n = static_cast<int>(in.letters.size());
  if (!KarnaughRefusal(n, static_cast<int>(in.terms.size())).empty()) return map;
  const Axes axes = AxesFor(n);
  const int rowFirst = axes.extra, colFirst = axes.extra + axes.rowBits;
  const unsigned full = (1u << n) - 1;
  map.variables = n;
  map.submaps = 1 << axes.extra;
  map.rows = 1 << axes.rowBits;
  map.cols = 1 << axes.colBits;

  // ------------------------------------------------ geometry
  const int subW = kKarnaughRowHeadW + map.cols * kKarnaughCellW;
  const int mapsW = map.submaps * subW + (map.submaps - 1) * kKarnaughMapGap;
  map.width = std::max(kKarnaughMinWidth, mapsW + 2 * kKarnaughMargin);
  const int labelY = kKarnaughMargin + kKarnaughTitleH;
  const int headY = labelY + (axes.extra > 0 ? kKarnaughLabelH : 0);
  const int cellsY = headY + kKarnaughHeadH;
  const int cellsBottom = cellsY + map.rows * kKarnaughCellH;

  map.texts.push_back({in.cnf ? "CNF: each term is a group of 1 cells" : "DNF: each term is a group of 0 cells",
                       {kKarnaughMargin, kKarnaughMargin, map.width - 2 * kKarnaughMargin, kKarnaughTitleH - 8},
                       KarnaughTextRole::kTitle, KarnaughAlign::kLeft});

  const std::string rowLetters = in.letters.substr(rowFirst, axes.rowBits);
  const std::string colLetters = in.letters.substr(colFirst, axes.colBits);
  const int half = kKarnaughHeadH / 2;
  for (int s = 0; s < map.submaps; ++s) {
    const int x0 = kKarnaughMargin + s * (subW + kKarnaughMapGap);
    const int cellsX = x0 + kKarnaughRowHeadW;
    map.cellAreas.push_back({cellsX, cellsY, map.cols * kKarnaughCellW, map.rows * kKarnaughCellH});
    if (axes.extra > 0)
      map.texts.push_back({in.letters.substr(0, axes.extra) + " = " + GrayHeading(s, axes.extra),
                           {cellsX, labelY, map.cols * kKarnaughCellW, kKarnaughLabelH - 4},
                           KarnaughTextRole::kSubmapLabel, KarnaughAlign::kCentre});
    // The corner: column letters above the diagonal, row letters below it.
    map.texts.push_back({colLetters, {x0, headY, kKarnaughRowHeadW - 4, half}, KarnaughTextRole::kLetters,
                         KarnaughAlign::kRight});
    map.texts.push_back({rowLetters, {x0 + 2, headY + half, kKarnaughRowHeadW - 4, half}, KarnaughTextRole::kLetters,
                         KarnaughAlign::kLeft});
    map.lines.push_back({x0, headY, cellsX, cellsY});
    for (int c = 0; c < map.cols; ++c)
      map.texts.push_back({GrayHeading(c, axes.colBits),
                           {cellsX + c * kKarnaughCellW, headY + half, kKarnaughCellW, half},
                           KarnaughTextRole::kHeading, KarnaughAlign::kCentre});
    for (int r = 0; r < map.rows; ++r)
      map.texts.push_back({GrayHeading(r, axes.rowBits),
                           {x0 + kKarnaughRowHeadW / 2, cellsY + r * kKarnaughCellH, kKarnaughRowHeadW / 2,
                            kKarnaughCellH},
                           KarnaughTextRole::kHeading, KarnaughAlign::kCentre});
  }

  // ------------------------------------------------ cells
  for (int s = 0; s < map.submaps; ++s)
    for (int r = 0; r < map.rows; ++r)
      for (int c = 0; c < map.cols; ++c) {
        KarnaughCell cell;
        cell.submap = s;
        cell.row = r;
        cell.col = c;
        const unsigned a = GrayValues(s, axes.extra) | GrayValues(r, axes.rowBits) << rowFirst |
                           GrayValues(c, axes.colBits) << colFirst;
        cell.assignment = static_cast<uint8_t>(a);
        const bool covered =
            std::any_of(in.terms.begin(), in.terms.end(), [a](const KarnaughTerm& t) { return Covers(t, a); });
        if (in.dontCares >> a & 1)
          cell.value = KarnaughValue::kDontCare;
        else
          cell.value = covered == in.cnf ? KarnaughValue::kOne : KarnaughValue::kZero;
        cell.grouped = cell.value == (in.cnf ? KarnaughValue::kOne : KarnaughValue::kZero);
        const KarnaughBox& area = map.cellAreas[s];
        cell.box = {area.x + c * kKarnaughCellW, area.y + r * kKarnaughCellH, kKarnaughCellW, kKarnaughCellH};
        map.cells.push_back(cell);
        static const char* const kShown[] = {"0", "1", "x"};
        map.texts.push_back({kShown[static_cast<int>(cell.value)], cell.box, KarnaughTextRole::kCell,
                             KarnaughAlign::kCentre});
      }

  // ------------------------------------------------ groups
  // A group takes the widest inset that no earlier group sharing a cell with
  // it has taken, so that overlapping groups nest instead of lying on top of
  // each other; when all are taken the insets go round.
  for (size_t i = 0; i < in.terms.size(); ++i) {
    const KarnaughTerm& t = in.terms[i];
    KarnaughGroup g;
    g.term = static_cast<int>(i) + 1;
    g.rgb = kGroupColours[i % kGroupColours.size()];
    std::array<bool, std::size(kKarnaughInsets)> taken{};
    for (size_t j = 0; j < i; ++j)
      if (Overlap(t, in.terms[j], full))
        for (size_t k = 0; k < taken.size(); ++k) taken[k] = taken[k] || map.groups[j].inset == kKarnaughInsets[k];
    const auto freeLevel = std::find(taken.begin(), taken.end(), false);
    g.inset = kKarnaughInsets[freeLevel != taken.end() ? freeLevel - taken.begin() : i % taken.size()];

    const std::vector<bool> subOn = PositionsOnAxis(t, 0, axes.extra);
    const std::vector<Run> rowRuns = RunsOf(PositionsOnAxis(t, rowFirst, axes.rowBits));
    const std::vector<Run> colRuns = RunsOf(PositionsOnAxis(t, colFirst, axes.colBits));
    for (int s = 0; s < map.submaps; ++s) {
      if (!subOn[s]) continue;
      const KarnaughBox& area = map.cellAreas[s];
      for (const Run& rr : rowRuns)
        for (const Run& cr : colRuns) {
          KarnaughRect rect;
          rect.submap = s;
          rect.row = rr.start;
          rect.rows = rr.length;
          rect.col = cr.start;
          rect.cols = cr.length;
          rect.openTop = rr.openStart;
          rect.openBottom = rr.openEnd;
          rect.openLeft = cr.openStart;
          rect.openRight = cr.openEnd;
          rect.box = {area.x + cr.start * kKarnaughCellW, area.y + rr.start * kKarnaughCellH,
                      cr.length * kKarnaughCellW, rr.length * kKarnaughCellH};
          rect.clip = area;
          g.rects.push_back(rect);
        }
    }
    map.groups.push_back(g);
  }

  // ------------------------------------------------ legend
  // Each term's row as the output pane shows it, beside its colour, under
  // the output pane's header: one column of up to 8 rows, more columns side
  // by side for more terms, as many as the width holds, then longer columns.
  const int textW = (2 * n - 1) * 10;
  const int colW = 32 + textW + 24;
  const int perRow = std::max(1, (map.width - 2 * kKarnaughMargin + 24) / colW);
  const int terms = static_cast<int>(in.terms.size());
  const int legendRows = std::max(std::min(terms, 8), (terms + perRow - 1) / perRow);
  const int columns = (terms + legendRows - 1) / legendRows;
  const int legendY = cellsBottom + kKarnaughLegendGap;
  const std::string header = HeaderText(in.letters, in.cnf);
  for (int c = 0; c < columns; ++c) {
    const int x = kKarnaughMargin + c * colW;
    map.texts.push_back({header, {x + 32, legendY, textW + 10, kKarnaughLineH}, KarnaughTextRole::kLegendHeader,
                         KarnaughAlign::kLeft});
  }
  for (int i = 0; i < terms; ++i) {
    const int x = kKarnaughMargin + (i / legendRows) * colW;
    const int y = legendY + (1 + i % legendRows) * kKarnaughLineH;
    map.swatches.push_back({i + 1, map.groups[i].rgb, {x, y + 4, 24, kKarnaughLineH - 8}});
    map.texts.push_back({RowText(in.terms[i], n, in.cnf), {x + 32, y, textW + 10, kKarnaughLineH},
                         KarnaughTextRole::kLegend, KarnaughAlign::kLeft});
  }
  map.height = legendY + (legendRows + 1) * kKarnaughLineH + kKarnaughMargin;
  return map;
}

}  // namespace tervo
