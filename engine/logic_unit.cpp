#include "logic_unit.h"

#include <algorithm>
#include <string>

#include "fast_reduce.h"
#include "grid_rules.h"
#include "reduce_machine.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

// The plain loop: every entry in turn, the TraceRecord filled at every
// comparison, and with the Scan trace on a stop before every action.
struct PlainPolicy {
  FastStats stats;
  void Begin(Engine& e, bool) {
    if (e.Fast) e.Fast->current = false;  // the fast sets no longer match the table
  }
  void PassStarted(Engine&) {}
  unsigned NextJ(Engine&, unsigned, unsigned j) { return j + 1; }
  unsigned NextK(Engine&, unsigned k) { return k + 1; }
  void Skipped(Engine&, unsigned, unsigned) {}
  void Compared() {}
  bool KnownConsensus(unsigned) const { return false; }
  void PairChanged() {}
  void ScanChanged() {}
  void Restarted(Engine&) {}
  void HistoryAdded(Engine&, uint16_t) {}
  void SetMask(Engine& e, unsigned t, uint16_t m) { e.TermMask[t] = m; }
  void Flag(Engine& e, unsigned t) { e.TermMark[t] = 1; }
  void ClearFlags(Engine& e) { std::fill(e.TermMark.begin() + 1, e.TermMark.begin() + 1 + e.TermCount, 0); }
  bool Records(const Engine&) const { return true; }
  bool Show(Engine& e, RunHost& host) {
    if (!e.TraceScan) return true;
    host.DrawTraceStep(e.Trace);
    host.WaitAtStop();
    return e.GoOn != 0;
  }
};

// The pass-over conditions of the two actions that have them, from the
// record as the comparison left it.
bool Skipped(const TraceRecord& r) { return r.rescan != 0; }
bool SkippedParent(const Engine& e, const TraceRecord& r) { return e.TermMark[r.k] != 0; }
bool SkippedDuplicate(const TraceRecord& r) { return (r.diff & r.history) != 0; }
}  // namespace

const char* ActionText(const Engine& e, const TraceRecord& r) {
  const CodeRow& row = CodeRowOf(r.code);
  if (r.kind == kPairCompare) return row.pair == PairAction::kGroup && Skipped(r) ? kSkipText : row.pairText;
  if (row.vt != VtAction::kStack) return row.vtText;
  if (SkippedParent(e, r)) return kSkipParentText;
  if (SkippedDuplicate(r)) return kSkipDuplicateText;
  return row.vtText;
}

bool FormsVirtualTerm(const Engine& e, const TraceRecord& r) {
  const CodeRow& row = CodeRowOf(r.code);
  if (r.kind == kPairCompare) return row.pair == PairAction::kGroup && !Skipped(r);
  return row.vt == VtAction::kStack && !SkippedParent(e, r) && !SkippedDuplicate(r);
}

uint16_t CompactTable(Engine& e) {
  int a = 1;
  while (a <= e.TermCount && e.TermMask[a] != 0) ++a;
  for (int t = a + 1; t <= e.TermCount; ++t) {
    if (e.TermMask[t] == 0) continue;
    e.TermValue[a] = e.TermValue[t];
    e.TermMask[a] = e.TermMask[t];
    ++a;
  }
  e.TermCount = static_cast<uint16_t>(a - 1);
  return e.TermCount;
}

uint8_t ScanSlice(Engine& e, RunHost& host, uint8_t resume, SliceCut cut) {
  PlainPolicy plain;
  machine::SliceLimits limits;
  limits.budget = e.SliceBudget;
  limits.anywhere = cut == SliceCut::kAnyStep;
  return machine::RunMachine(e, host, resume, plain, limits);
}

void ReduceTruthTable(Engine& e, RunHost& host, SliceCut cut) {
  static constexpr std::string_view kProgress = "scanning truth table ";
  static constexpr std::string_view kMarks = ">>>>>>>>>";
  e.FullMask = LowMask(e.VariableCount);
  host.ShowProgress(kProgress);
  host.ProcessPendingEvents();
  uint8_t r = 0;
  unsigned c = 1;
  // Room for the text and up to nine marks, so no allocation per slice.
  std::array<char, kProgress.size() + kMarks.size()> text{};
  std::copy(kProgress.begin(), kProgress.end(), text.begin());
  std::copy(kMarks.begin(), kMarks.end(), text.begin() + kProgress.size());
  do {
    // The Scan trace stops at every comparison and takes the plain loop.
    r = e.TraceScan ? ScanSlice(e, host, r, cut) : FastScanSlice(e, host, r, cut);
    host.ShowProgress(std::string_view(text.data(), kProgress.size() + c));
    host.ProcessPendingEvents();
    if (++c == 10) c = 1;
  } while (r != kSliceDone && e.GoOn);
  if (e.GoOn) {
    CompactTable(e);
  } else {
    // Ended between two slices, perhaps inside a virtual-term group: no
    // entry stays flagged.
    std::fill(e.TermMark.begin() + 1, e.TermMark.begin() + 1 + e.TermCount, 0);
    e.Reduce.phase = ReducePhase::kFinished;
  }
}

// ---------------------------------------------------------------- output texts

std::string OutputHeaderText(const Engine& e) {
  std::string s;
  for (int v = 0; v < e.VariableCount; ++v) {
    if (v > 0) s += e.CnfMode ? '.' : '+';
    s += e.VariableTable[v];
  }
  return s;
}

std::string OutputRowText(const Engine& e, uint16_t value, uint16_t mask) {
  std::string s;
  for (int v = 0; v < e.VariableCount; ++v) {
    if (!((mask >> v) & 1))
      s += "x ";
    else
      s += (((value >> v) & 1) == e.CnfMode) ? "1 " : "0 ";
  }
  return s;
}

// ---------------------------------------------------------------- verification

bool IsCovered(const Engine& e, uint16_t a) {
  for (int t = 1; t <= e.TermCount; ++t)
    if (((e.TermValue[t] ^ a) & e.TermMask[t]) == 0) return true;
  return false;
}

bool IsCoveredByInput(const Engine& e, uint16_t a) {
  for (int t = 1; t <= e.InputCount; ++t)
    if (((e.InputValue[t] ^ a) & e.InputMask[t]) == 0) return true;
  return false;
}

bool VerifyResult(Engine& e) {
  e.FullMask = LowMask(e.VariableCount);
  for (uint32_t a = 0; a <= e.FullMask; ++a) {
    const auto row = static_cast<uint16_t>(a);
    bool expected;
    if (e.FormulaMode) {
      LoadRow(e, row);
      expected = EvaluateDirectors(e) == e.CnfMode;
    } else {
      expected = IsCoveredByInput(e, row);
    }
    if (expected != IsCovered(e, row)) return false;
  }
  return true;
}

// ---------------------------------------------------------------- typed tables

void ReadTable(Engine& e) {
  // Header: letters in column order; a blank column is closed up, so the k-th
  // letter from the left owns term bit k-1.
  std::array<char, kTableCols> letters{};
  std::array<int, kTableCols> bitOf{};  // term bit of each column, -1 for a blank header cell
  int n = 0;
  for (int col = 0; col < kTableCols; ++col) {
    const char c = HeaderCellLetter(e.TableGrid[0][col]);  // a cell that names no letter counts as blank
    if (c == '\0') {
      bitOf[col] = -1;
      continue;
    }
    if (std::find(letters.begin(), letters.begin() + n, c) != letters.begin() + n) {
      e.ErrorCode = kDuplicateVariables;
      return;
    }
    bitOf[col] = n;
    letters[n++] = c;
  }
  if (n == 0) {
    e.ErrorCode = kMissingVariables;
    return;
  }

  e.VariableTable.fill(0);
  std::copy(letters.begin(), letters.begin() + n, e.VariableTable.begin());
  e.VariableCount = static_cast<uint8_t>(n);
  e.TermCount = 0;

  // Terms: one per line holding a "0" or "1"; other cells count as blank.
  for (int line = 1; line < kTableLines; ++line) {
    const auto& cells = e.TableGrid[line];
    if (std::none_of(cells.begin(), cells.end(), IsTermDigit)) continue;
    uint16_t value = 0, mask = 0;
    for (int col = 0; col < kTableCols; ++col) {
      const char c = cells[col];
      if (!IsTermDigit(c)) continue;
      if (bitOf[col] < 0) {
        e.ErrorCode = kMissingVariables;
        continue;
      }
      const auto bit = static_cast<uint16_t>(1u << bitOf[col]);
      mask |= bit;
      if (c == '1') value |= bit;
    }
    ++e.TermCount;
    e.TermValue[e.TermCount] = value;
    e.TermMask[e.TermCount] = mask;
  }

  e.InputValue.fill(0);
  e.InputMask.fill(0);
  for (int t = 1; t <= e.TermCount; ++t) {
    e.InputValue[t] = e.TermValue[t];
    e.InputMask[t] = e.TermMask[t];
  }
  e.InputCount = static_cast<uint8_t>(e.TermCount);
}

}  // namespace tervo
