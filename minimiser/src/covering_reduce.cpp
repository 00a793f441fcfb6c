// Reductions of the covering matrix to its cyclic core.
//
// Three rules, applied until none changes anything:
//   - a row that only one column covers makes that column essential: every
//     cover takes it, and the rows it covers go;
//   - row dominance: when every column covering row r also covers row s,
//     any cover of r covers s, and s goes;
//   - column dominance: a column whose rows another column covers too, at
//     no higher cost, goes (of two equal ones the first stays).
// Each rule is sound on its own, so a search that runs out of effort in
// the middle keeps what is reduced so far and covers the rest greedily.
// What is left, renumbered, is the core the later phases work on.
#include <algorithm>

#include "covering_internal.h"

namespace tervo::minimiser::covering {

// The columns of each row, from the rows of each column.
void Search::BuildRowLists() {
  rowStart.assign(rowCount + 1, 0);
  rowCols.resize(colStart[colCount]);
  for (uint32_t k = 0; k < colStart[colCount]; ++k) ++rowStart[colRows[k] + 1];
  for (uint32_t r = 0; r < rowCount; ++r) rowStart[r + 1] += rowStart[r];
  std::vector<uint32_t>& fill = rowDeg;  // reused as the fill cursor
  fill.assign(rowStart.begin(), rowStart.end() - 1);
  for (uint32_t j = 0; j < colCount; ++j) {
    for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k) rowCols[fill[colRows[k]]++] = j;
    effort.Go((colStart[j + 1] - colStart[j]) / 16 + 1, false);
  }
}

void Search::KillRow(uint32_t r) {
  rowAlive[r] = 0;
  for (uint32_t k = rowStart[r]; k < rowStart[r + 1]; ++k)
    if (colAlive[rowCols[k]]) --colDeg[rowCols[k]];
}

void Search::KillCol(uint32_t j) {
  colAlive[j] = 0;
  for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k)
    if (rowAlive[colRows[k]]) --rowDeg[colRows[k]];
}

void Search::Take(uint32_t j) {
  fixedCols.push_back(j);
  for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k)
    if (rowAlive[colRows[k]]) KillRow(colRows[k]);
  KillCol(j);
}

uint32_t Search::NextMark() {
  if (++markNow == 0) {
    std::fill(mark.begin(), mark.end(), 0);
    markNow = 1;
  }
  return markNow;
}

// Essential columns, dominated rows and dominated columns, until none is
// left: what remains is the cyclic core. False when stopped or out of
// effort; every reduction made so far is sound on its own.
bool Search::Reduce() {
  rowAlive.assign(rowCount, 1);
  colAlive.assign(colCount, 1);
  rowDeg.resize(rowCount);
  colDeg.resize(colCount);
  for (uint32_t r = 0; r < rowCount; ++r) rowDeg[r] = rowStart[r + 1] - rowStart[r];
  for (uint32_t j = 0; j < colCount; ++j) colDeg[j] = colStart[j + 1] - colStart[j];
  mark.assign(std::max(rowCount, colCount), 0);
  markNow = 0;
  fixedCols.clear();
  bool changed = true;
  while (changed) {
    changed = false;
    if (!TakeEssentials(changed) || !DropDominatedRows(changed) || !DropDominatedColumns(changed)) return false;
  }
  return true;
}

// Essential columns: a row that only one column covers. Then the columns
// left with no row go.
bool Search::TakeEssentials(bool& changed) {
  for (uint32_t r = 0; r < rowCount; ++r) {
    if (!rowAlive[r] || rowDeg[r] != 1) continue;
    for (uint32_t k = rowStart[r]; k < rowStart[r + 1]; ++k)
      if (colAlive[rowCols[k]]) {
        Take(rowCols[k]);
        break;
      }
    changed = true;
    if (!effort.Go(8)) return false;
  }
  for (uint32_t j = 0; j < colCount; ++j)
    if (colAlive[j] && colDeg[j] == 0) KillCol(j);
  return true;
}

// Row dominance: when every column covering r also covers s, s is
// covered whenever r is, and s can go.
bool Search::DropDominatedRows(bool& changed) {
  for (uint32_t r = 0; r < rowCount; ++r) {
    if (!rowAlive[r]) continue;
    const uint32_t m = NextMark();
    uint32_t pick = UINT32_MAX, pickDeg = UINT32_MAX;
    for (uint32_t k = rowStart[r]; k < rowStart[r + 1]; ++k) {
      const uint32_t j = rowCols[k];
      if (!colAlive[j]) continue;
      mark[j] = m;
      if (colDeg[j] < pickDeg) pickDeg = colDeg[j], pick = j;
    }
    if (pick == UINT32_MAX) continue;
    uint32_t work = 0;
    for (uint32_t k = colStart[pick]; k < colStart[pick + 1]; ++k) {
      const uint32_t s = colRows[k];
      if (s == r || !rowAlive[s] || rowDeg[s] < rowDeg[r]) continue;
      uint32_t in = 0;
      for (uint32_t q = rowStart[s]; q < rowStart[s + 1]; ++q) in += colAlive[rowCols[q]] && mark[rowCols[q]] == m;
      work += rowStart[s + 1] - rowStart[s];
      if (in == rowDeg[r]) {
        KillRow(s);
        changed = true;
      }
    }
    if (!effort.Go(work / 8 + 1)) return false;
  }
  return true;
}

// Column dominance: a column whose rows another column covers too, at no
// higher cost, can go.
bool Search::DropDominatedColumns(bool& changed) {
  for (uint32_t a = 0; a < colCount; ++a) {
    if (!colAlive[a]) continue;
    if (colDeg[a] == 0) {
      KillCol(a);
      continue;
    }
    const uint32_t m = NextMark();
    uint32_t pick = UINT32_MAX, pickDeg = UINT32_MAX;
    for (uint32_t k = colStart[a]; k < colStart[a + 1]; ++k) {
      const uint32_t r = colRows[k];
      if (!rowAlive[r]) continue;
      mark[r] = m;
      if (rowDeg[r] < pickDeg) pickDeg = rowDeg[r], pick = r;
    }
    uint32_t work = 0;
    for (uint32_t k = rowStart[pick]; k < rowStart[pick + 1]; ++k) {
      const uint32_t b = rowCols[k];
      if (b == a || !colAlive[b] || colDeg[b] < colDeg[a] || colCost[b] > colCost[a]) continue;
      if (colDeg[b] == colDeg[a] && colCost[b] == colCost[a] && b > a) continue;  // equal: keep the first
      uint32_t in = 0;
      for (uint32_t q = colStart[b]; q < colStart[b + 1]; ++q) in += rowAlive[colRows[q]] && mark[colRows[q]] == m;
      work += colStart[b + 1] - colStart[b];
      if (in == colDeg[a]) {
        KillCol(a);
        changed = true;
        break;
      }
    }
    if (!effort.Go(work / 8 + 1)) return false;
  }
  return true;
}

// The alive rows and columns, renumbered, with their own lists.
void Search::BuildCore() {
  std::vector<uint32_t>& coreRowOf = mark;  // reused: row -> core row
  coreRowCount = 0;
  for (uint32_t r = 0; r < rowCount; ++r) coreRowOf[r] = rowAlive[r] ? coreRowCount++ : UINT32_MAX;
  coreCol.clear();
  for (uint32_t j = 0; j < colCount; ++j)
    if (colAlive[j]) coreCol.push_back(j);
  coreColCount = static_cast<uint32_t>(coreCol.size());
  coreColStart.assign(coreColCount + 1, 0);
  coreColRows.clear();
  coreColCost.resize(coreColCount);
  coreRowStart.assign(coreRowCount + 1, 0);
  for (uint32_t c = 0; c < coreColCount; ++c) {
    const uint32_t j = coreCol[c];
    coreColCost[c] = colCost[j];
    for (uint32_t k = colStart[j]; k < colStart[j + 1]; ++k)
      if (rowAlive[colRows[k]]) {
        const uint32_t r = coreRowOf[colRows[k]];
        coreColRows.push_back(r);
        ++coreRowStart[r + 1];
      }
    coreColStart[c + 1] = static_cast<uint32_t>(coreColRows.size());
    effort.Go((colStart[j + 1] - colStart[j]) / 8 + 1, false);
  }
  for (uint32_t r = 0; r < coreRowCount; ++r) coreRowStart[r + 1] += coreRowStart[r];
  coreRowCols.resize(coreColRows.size());
  std::vector<uint32_t>& fill = rowDeg;
  fill.assign(coreRowStart.begin(), coreRowStart.end() - 1);
  for (uint32_t c = 0; c < coreColCount; ++c) {
    for (uint32_t k = coreColStart[c]; k < coreColStart[c + 1]; ++k) coreRowCols[fill[coreColRows[k]]++] = c;
    effort.Go((coreColStart[c + 1] - coreColStart[c]) / 16 + 1, false);
  }
  markNow = 0;
  std::fill(mark.begin(), mark.end(), 0);
}

}  // namespace tervo::minimiser::covering
