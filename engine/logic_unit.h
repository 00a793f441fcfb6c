// Reduction, verification and the reader of typed tables.
#pragma once

#include <cstdint>
#include <string>

#include "engine.h"

namespace tervo {

// Result of one slice.
enum SliceResult : uint8_t {
  kSliceMore = 1,  // budget used up, call again with resume 1
  kSliceDone = 2,  // finished (or the run was ended)
};

// Where the step budget (Engine::SliceBudget) may end a slice. Runs end
// slices between entries, where the fast path's restart memos hold; a slice
// may also end after any step, inside a virtual-term scan or between two
// stacked terms, at exactly the step where the plain loop would.
enum class SliceCut : uint8_t {
  kBetweenEntries,  // before a pass start or at the end of an entry's j loop
  kAnyStep,         // after any step
};

// Reduce the TruthTable in slices, letting the host process events between
// them. Leaves the table reduced and compacted, or empty when the run was
// ended at a trace stop.
void ReduceTruthTable(Engine& e, RunHost& host, SliceCut cut = SliceCut::kBetweenEntries);

// One slice of the reduction with the plain loop (every entry compared, the
// Scan trace stopping at each comparison). resume 1 goes on where the last
// slice stopped; any other value starts from the first entry. Returns
// kSliceMore or kSliceDone (also when the run was ended at a trace stop).
uint8_t ScanSlice(Engine& e, RunHost& host, uint8_t resume, SliceCut cut = SliceCut::kBetweenEntries);

// Remove deleted entries (mask 0), keeping the order; returns TermCount.
uint16_t CompactTable(Engine& e);

// Always inlined: the reduction machine calls these at every comparison.
#define TERVO_INLINE inline __attribute__((always_inline))

// True when exactly one bit of x is set.
TERVO_INLINE constexpr bool HasSingleBit(uint16_t x) { return x != 0 && (x & (x - 1)) == 0; }

// D of a first term (v1, m1) and a second (v2, m2): the variables present
// in both with opposite values.
TERVO_INLINE constexpr uint16_t Difference(uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2) {
  return static_cast<uint16_t>((v1 ^ v2) & m1 & m2);
}

// The first term lacks a variable the second has.
TERVO_INLINE constexpr bool FirstHasHole(uint16_t full, uint16_t m1, uint16_t m2) { return ((full & ~m1) & m2) != 0; }

// The comparison code of a first term with mask m1 and a second with mask
// m2 whose difference is d.
TERVO_INLINE constexpr CompareCode CodeOf(uint16_t full, uint16_t m1, uint16_t m2, uint16_t d) {
  return static_cast<CompareCode>((d == 0 ? 1 : 0) + (HasSingleBit(d) ? 2 : 0) + (FirstHasHole(full, m2, m1) ? 4 : 0) +
                                  (FirstHasHole(full, m1, m2) ? 8 : 0));
}

// The consensus of a first term (v1, m1) and a second (v2, m2) whose
// difference d has one bit.
TERVO_INLINE constexpr void Consensus(uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2, uint16_t d,
                                      uint16_t& value, uint16_t& mask) {
  mask = static_cast<uint16_t>((m1 | m2) & (full ^ d));
  value = static_cast<uint16_t>(((v1 & m1) | (v2 & m2)) & mask);
}

// The trace text of a comparison, chosen from its record (and for a
// virtual-term compare from the flag of k) before the action is taken:
// "delete [j]", "virtual:", "new VT", "no action" and so on.
const char* ActionText(const Engine& e, const TraceRecord& record);

// True when the step forms a virtual term ("virtual:" or "new VT"): the
// trace shows the consensus that is formed.
bool FormsVirtualTerm(const Engine& e, const TraceRecord& record);

// The header of the result table: the variable letters joined by "." in
// CNF mode and by "+" in DNF mode.
std::string OutputHeaderText(const Engine& e);

// One result row: two characters per variable, "x " when it is absent,
// otherwise "1 " or "0 " for its polarity as shown (inverted in DNF mode).
std::string OutputRowText(const Engine& e, uint16_t value, uint16_t mask);

// True when the TruthTable covers exactly the function's collected rows.
bool VerifyResult(Engine& e);

// True when some TruthTable entry covers assignment a.
bool IsCovered(const Engine& e, uint16_t a);

// True when some typed term of the InputTable covers assignment a.
bool IsCoveredByInput(const Engine& e, uint16_t a);

// Read the TableGrid into the VariableTable, the TruthTable and the
// InputTable. May set kDuplicateVariables or kMissingVariables.
void ReadTable(Engine& e);

}  // namespace tervo
