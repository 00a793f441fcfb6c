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

// Reduce the TruthTable in slices, letting the host process events between
// them. Leaves the table reduced and compacted, or empty when the run was
// ended at a trace stop.
void ReduceTruthTable(Engine& e, RunHost& host);

// One slice of the reduction with the plain loop (every entry compared, the
// Scan trace stopping at each comparison). resume 1 goes on where the last
// slice stopped; any other value starts from the first entry. Returns
// kSliceMore or kSliceDone (also when the run was ended at a trace stop).
uint8_t ScanSlice(Engine& e, RunHost& host, uint8_t resume);

// Remove deleted entries (mask 0), keeping the order; returns TermCount.
uint16_t CompactTable(Engine& e);

// True when exactly one bit of x is set.
bool HasSingleBit(uint16_t x);

// Comparison code of a first term (v1, m1) with a second (v2, m2).
CompareCode Compare(uint16_t fullMask, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2);

// The action a comparison leads to, chosen from its record (and for code
// 14 of a virtual-term compare from the flag of k) before it is taken.
StepAction ActionOf(const Engine& e, const TraceRecord& record);

// The name of an action as the trace shows it: "delete [j]", "virtual:",
// "new VT", "no action" and so on.
const char* ActionText(StepAction action);
const char* ActionText(const Engine& e, const TraceRecord& record);

// True when the step forms a virtual term ("virtual:" or "new VT"): the
// trace shows the consensus that is formed.
bool FormsVirtualTerm(const Engine& e, const TraceRecord& record);

// The consensus of a first term (v1, m1) and a second (v2, m2) whose
// difference d has one bit.
void Consensus(uint16_t fullMask, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2, uint16_t d,
               uint16_t& value, uint16_t& mask);

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
