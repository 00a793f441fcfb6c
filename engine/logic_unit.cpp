#include "logic_unit.h"

#include <algorithm>
#include <string>

#include "fast_reduce.h"
#include "grid_rules.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

// Drop the bits of d from a mask.
inline uint16_t Drop(uint16_t mask, uint16_t d) { return static_cast<uint16_t>(mask & ~d); }

void FillRecord(TraceRecord& rec, uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2,
                uint8_t rescan) {
  const auto d = static_cast<uint16_t>((v1 ^ v2) & m1 & m2);
  rec.diff = d;
  rec.noDiff = d == 0;
  rec.singleDiff = HasSingleBit(d);
  rec.firstHole = ((full & ~m1) & m2) != 0;
  rec.secondHole = ((full & ~m2) & m1) != 0;
  rec.code = Compare(full, v1, m1, v2, m2);
  rec.rescan = rescan;
}

void ClearMarks(Engine& e) { std::fill(e.TermMark.begin() + 1, e.TermMark.begin() + 1 + e.TermCount, 0); }

// Make a trace step; false when the user ended the run at the stop.
bool TraceStop(Engine& e, RunHost& host) {
  host.DrawTraceStep(e.Trace);
  host.WaitAtStop();
  if (e.GoOn) return true;
  host.ClearTraceRecord();
  ClearMarks(e);
  e.TermCount = 0;
  return false;
}

}  // namespace

void Consensus(uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2, uint16_t d, uint16_t& value,
               uint16_t& mask) {
  mask = static_cast<uint16_t>((m1 | m2) & (full ^ d));
  value = static_cast<uint16_t>(((v1 & m1) | (v2 & m2)) & mask);
}

const char* ActionText(const Engine& e, const TraceRecord& r) {
  if (r.kind == 1) {
    switch (r.code) {
      case 1:
      case 9: return "delete [j]";
      case 2: return "delete [j] , drop [i] diff";
      case 5: return "delete [i]";
      case 6: return "drop [i] diff";
      case 10: return "drop [j] diff";
      case 14: return r.rescan ? "skip" : "virtual:";
      default: return "no action";
    }
  }
  switch (r.code) {
    case 1:
    case 9: return "delete TT";
    case 2: return "drop diff in VT,TT";
    case 5: return "set VT to TT";
    case 6: return "drop diff in VT";
    case 10: return "drop diff in TT";
    case 14:
      if (e.TermMark[r.k]) return "skip VT parent";
      if (r.diff & r.history) return "skip duplicate VT";
      return "new VT";
    default: return "no action";
  }
}

bool HasSingleBit(uint16_t x) { return x != 0 && (x & (x - 1)) == 0; }

CompareCode Compare(uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2) {
  const auto d = static_cast<uint16_t>((v1 ^ v2) & m1 & m2);
  const bool firstHole = ((full & ~m1) & m2) != 0;
  const bool secondHole = ((full & ~m2) & m1) != 0;
  return static_cast<CompareCode>((d == 0 ? 1 : 0) + (HasSingleBit(d) ? 2 : 0) + (secondHole ? 4 : 0) +
                                  (firstHole ? 8 : 0));
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

// The reduction, step by step. Labels name the steps: B pass start, C the j
// loop of entry i, E the end of that loop, F a virtual-term group, G the end
// of one scan of the entries with the current virtual term.
//
// A slice ends when its step budget is used up, at the end of a j loop or
// where one pass ends and the next begins; both lie between two values of i,
// so the result does not depend on where slices end. Ending at a pass start
// too keeps the window answering when virtual-term groups start pass after
// pass without ever finishing a j loop.
uint8_t ScanSlice(Engine& e, RunHost& host, uint8_t resume) {
  uint32_t steps = 0;
  unsigned i = 0, j = 0, k = 0;
  const uint16_t full = e.FullMask;
  auto& val = e.TermValue;
  auto& msk = e.TermMask;
  auto& mark = e.TermMark;
  auto& rec = e.Trace;

  if (resume == 1) {
    if (e.ResumeAtPass) {
      e.ResumeAtPass = 0;
      goto B;
    }
    i = e.ResumeIndex;
    goto E;
  }
  e.ResumeAtPass = 0;
  goto B;

NextPass:  // a pass ends, another begins: a slice may also end here
  if (steps > e.SliceBudget) {
    if (e.GoOn) {
      e.ResumeAtPass = 1;
      return kSliceMore;
    }
    host.ClearTraceRecord();
    return kSliceDone;
  }

B:  // pass start
  ClearMarks(e);
  i = 1;
  e.RescanFlag = 0;
  CompactTable(e);

C:  // the j loop of entry i
  j = i;
C1:
  ++j;
  ++steps;
  if (j > e.TermCount) goto E;
  if (msk[i] == 0) goto E;
  if (msk[j] == 0) goto C1;
  rec.kind = 1;
  rec.i = static_cast<uint16_t>(i);
  rec.j = static_cast<uint16_t>(j);
  FillRecord(rec, full, val[i], msk[i], val[j], msk[j], e.RescanFlag);
  if (e.TraceScan && !TraceStop(e, host)) return resume;
  switch (rec.code) {
    case 1:
    case 9:  // j repeats i or lies inside it
      msk[j] = 0;
      goto C1;
    case 5:  // i lies inside j
      msk[i] = 0;
      goto E;
    case 2:  // i and j merge
      msk[j] = 0;
      msk[i] = Drop(msk[i], rec.diff);
      e.RescanFlag = 1;
      if (msk[i] == 0) goto EmptyEnd;
      goto C1;
    case 6:  // j shortens i
      msk[i] = Drop(msk[i], rec.diff);
      e.RescanFlag = 1;
      if (msk[i] == 0) goto EmptyEnd;
      goto C1;
    case 10:  // i shortens j
      msk[j] = Drop(msk[j], rec.diff);
      e.RescanFlag = 1;
      if (msk[j] == 0) goto EmptyEnd;
      goto C1;
    case 14:
      if (e.RescanFlag) goto C1;
      goto F;
    default:
      goto C1;
  }

E:  // end of the j loop of entry i
  if (steps > e.SliceBudget) {
    e.ResumeIndex = static_cast<uint16_t>(i);
    if (e.GoOn) return kSliceMore;
    host.ClearTraceRecord();
    return kSliceDone;
  }
  ++i;
  if (i < e.TermCount) goto C;
  if (e.RescanFlag) goto NextPass;
  host.ClearTraceRecord();
  return kSliceDone;

F:  // virtual-term group for (i, j)
  Consensus(full, val[i], msk[i], val[j], msk[j], rec.diff, e.VtValue, e.VtMask);
  mark[i] = 1;
  mark[j] = 1;
  e.StackPos = 0;
  e.StackCount = 0;
  e.VtHistory = 0;
F4:
  k = 0;
F4next:
  ++k;
  ++steps;
  if (k > e.TermCount) goto G;
  if (msk[k] == 0) goto F4next;
  rec.kind = 2;
  rec.k = static_cast<uint16_t>(k);
  rec.history = e.VtHistory;
  FillRecord(rec, full, e.VtValue, e.VtMask, val[k], msk[k], e.RescanFlag);
  if (e.TraceScan && !TraceStop(e, host)) return resume;
  switch (rec.code) {
    case 1:  // the VT repeats k
      if (!mark[k]) msk[k] = 0;
      goto F4next;
    case 9:  // k lies inside the VT
      if (mark[k]) {
        msk[k] = e.VtMask;
        e.RescanFlag = 1;
      } else {
        msk[k] = 0;
      }
      goto F4next;
    case 5:  // the VT lies inside k
      e.VtMask = msk[k];
      mark[k] = 1;
      goto Restart;
    case 2:  // the VT and k merge
      msk[k] = Drop(msk[k], rec.diff);
      e.VtMask = Drop(e.VtMask, rec.diff);
      mark[k] = 1;
      e.RescanFlag = 1;
      goto Restart;
    case 6:  // k shortens the VT
      e.VtMask = Drop(e.VtMask, rec.diff);
      mark[k] = 1;
      goto Restart;
    case 10:  // the VT shortens k
      msk[k] = Drop(msk[k], rec.diff);
      e.RescanFlag = 1;
      goto F4next;
    case 14:  // a new virtual term for the stack
      if (!mark[k] && (rec.diff & e.VtHistory) == 0 && e.StackCount < kStackSlots) {
        e.VtHistory = static_cast<uint16_t>(e.VtHistory | rec.diff);
        ++e.StackCount;
        VirtualSlot& slot = e.VirtualStack[e.StackCount];
        Consensus(full, e.VtValue, e.VtMask, val[k], msk[k], rec.diff, slot.value, slot.mask);
        slot.source = static_cast<uint16_t>(k);
      }
      goto F4next;
    default:
      goto F4next;
  }
Restart:
  e.StackPos = 0;
  e.StackCount = 0;
  e.VtHistory = 0;
  goto F4;

G:  // end of a scan with the current VT
  if (e.RescanFlag) goto NextPass;
  if (e.StackPos == e.StackCount) {
    ClearMarks(e);
    goto C1;
  }
  ++e.StackPos;
  e.VtValue = e.VirtualStack[e.StackPos].value;
  e.VtMask = e.VirtualStack[e.StackPos].mask;
  mark[e.VirtualStack[e.StackPos].source] = 1;
  goto F4;

EmptyEnd:  // an entry covers every assignment
  e.TermCount = 0;
  host.ClearTraceRecord();
  return kSliceDone;
}

void ReduceTruthTable(Engine& e, RunHost& host) {
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
    r = e.TraceScan ? ScanSlice(e, host, r) : FastScanSlice(e, host, r);
    host.ShowProgress(std::string_view(text.data(), kProgress.size() + c));
    host.ProcessPendingEvents();
    if (++c == 10) c = 1;
  } while (r != kSliceDone && e.GoOn);
  if (e.GoOn) CompactTable(e);
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
