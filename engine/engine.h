// The engine's whole working state: every table of a run, at its fixed
// capacity, in one object. The window owns one instance for the life of the
// program; tests make a fresh one per case. Nothing in here is ever resized,
// and no stage allocates memory while a run executes.
//
// Tables are indexed from 1 as the stages describe them; slot 0 exists only
// so that index arithmetic stays simple.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tervo {

// ---------------------------------------------------------------- capacities
inline constexpr int kGridCols = 40;              // formula editor columns
inline constexpr int kGridRows = 30;              // formula editor rows
inline constexpr int kFormulaChars = kGridCols * kGridRows;  // 1200
inline constexpr int kTableCols = 15;             // table editor columns (= max variables)
inline constexpr int kTableLines = 101;           // header line 0 and term lines 1..100
inline constexpr int kInputTerms = 100;           // typed terms
inline constexpr int kPostfixRows = 256;          // PostfixTable rows 0..256
inline constexpr int kDirectorRows = 256;         // DirectorTable rows 1..256
inline constexpr int kValueCells = 64;            // ValueTable cells 1..64
inline constexpr int kMaxVariables = 15;          // VariableTable letters
inline constexpr int kTermCapacity = 32768;       // TruthTable entries 1..32768
inline constexpr int kStackSlots = 15;            // VirtualStack slots 1..15
inline constexpr uint32_t kSliceSteps = 2'500'000;  // loop steps per reduction slice

// ---------------------------------------------------------------- error codes
// Index into MessageTable. Every stage sets one of these and returns; the
// caller turns it into the message line.
enum ErrorCodes : uint8_t {
  kOk = 0,
  kEmptyWindow = 1,
  kSyntaxError = 2,
  kPostfixOverflow = 3,
  kPriorityError = 4,
  kTooManyVariables = 5,
  kDirectorOverflow = 6,
  kInconsistent = 7,
  kTautology = 8,
  kTooManyIntermediates = 9,
  kEnterFormula = 10,
  kEnterTable = 11,
  kDuplicateVariables = 12,
  kMissingVariables = 13,
  kNoExtension = 14,
  kWrongFileType = 15,
  kFileIoError = 16,
  kFileNotFound = 17,
};

inline constexpr int kMessageCount = 18;
extern const std::array<std::string_view, kMessageCount> MessageTable;

// ---------------------------------------------------------------- row types
// One row of the PostfixTable: an operand occurrence (or an inversion) with
// the operator that follows it and that operator's binding strength.
struct PostfixEntry {
  uint8_t var = ' ';  // letter 'A'..'Z' or ' ' while scanning; 0, 1..15, 20..64 after numbering
  char op = ' ';      // '.', '+', '-', '=', '>', '/' (inversion row) or ' ' (none follows)
  uint8_t pr = 0;     // 10 x bracket depth, plus the operator's priority once the scan ends
};

// One director: a three-address operation over ValueTable cells.
//
//   op   dest  sc1  sc2   effect
//   '.'  d     a    b     cell d := a AND b
//   '+'  d     a    b     cell d := a OR b
//   '-'  d     a    b     cell d := a XOR b
//   '='  d     a    b     cell d := a EQV b
//   '>'  d     a    b     cell d := (NOT a) OR b
//   '/'  d     0    b     cell d := NOT b
//   'Q'  d     0    0     end of program; the formula's value is in cell d
//
// Cell numbers: 0 none, 1..15 variables, 20..64 intermediates.
struct Director {
  char op = ' ';
  uint8_t dest = 0;
  uint8_t sc1 = 0;
  uint8_t sc2 = 0;
};

// One slot of the virtual-term stack.
struct VirtualSlot {
  uint16_t value = 0;   // consensus term value
  uint16_t mask = 0;    // consensus term mask
  uint16_t source = 0;  // entry the term was formed with
};

// Comparison codes: 1 agreeing, +2 one opposite variable, +4 the second term
// lacks a variable the first has, +8 the first lacks one the second has.
using CompareCode = uint8_t;

// What the reduction hands to the trace panel at every comparison. Fields a
// kind does not write keep their earlier values.
struct TraceRecord {
  uint8_t kind = 0;          // 1 truth-table compare (i with j), 2 virtual-term compare (VT with k)
  CompareCode code = 0;      // the comparison's code
  uint16_t i = 0;            // first entry (kind 1)
  uint16_t j = 0;            // second entry (kind 1)
  uint16_t k = 0;            // entry compared with the VT (kind 2)
  uint16_t diff = 0;         // D: variables present in both with opposite polarity
  uint16_t history = 0;      // VtHistory before the action (kind 2)
  uint8_t noDiff = 0;        // D = 0
  uint8_t singleDiff = 0;    // D has exactly one bit
  uint8_t firstHole = 0;     // "hole-i" / "hole-VT"
  uint8_t secondHole = 0;    // "hole-j" / "hole [k]"
  uint8_t rescan = 0;        // RescanFlag at the time of the comparison
};

// The window's side of a run. The engine calls out for these things only;
// the window implements them, tests implement them in a few lines.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // Put a progress text into the message line.
  virtual void ShowProgress(std::string_view text) = 0;
  // Let pending window events run (they may clear GoOn).
  virtual void ProcessPendingEvents() = 0;
  // Draw one reduction step before its action (only with TraceScan on).
  virtual void DrawTraceStep(const TraceRecord& record) = 0;
  // Wait at a debug stop until <space>/GO clears StepWait or <ESC> clears GoOn.
  virtual void WaitAtStop() = 0;
  // The reduction has ended: forget any record kept for repaints.
  virtual void ClearTraceRecord() {}
};

// A host that does nothing: for runs without a window.
class NullHost : public RunHost {
 public:
  void ShowProgress(std::string_view) override {}
  void ProcessPendingEvents() override {}
  void DrawTraceStep(const TraceRecord&) override {}
  void WaitAtStop() override {}
};

struct FastTables;  // the fast reduction's own tables (fast_reduce.h)

// ---------------------------------------------------------------- the engine
struct Engine {
  // ------------------------------------------------------------ error state
  uint8_t ErrorCode = kOk;  // 0..17, index into MessageTable

  // ------------------------------------------------------------ editor grids
  std::array<std::array<char, kGridCols>, kGridRows> FormulaGrid;   // [row][col], blank = ' '
  std::array<std::array<char, kTableCols>, kTableLines> TableGrid;  // [line][col]; line 0 is the header

  // ------------------------------------------------------------ formula translation
  std::array<char, kFormulaChars + 1> FormulaText;          // positions 1..1200, blank padded
  std::array<PostfixEntry, kPostfixRows + 1> PostfixTable;  // rows 0..256; row 0 is scratch
  uint16_t PostfixCount = 1;                                // index of the open row
  uint16_t ScanPos = 1;                                     // scanner position 1..1200
  char PrevSymbol = ' ';                                    // ' ', 'A', '/', '.', '(' or ')'
  std::array<char, kMaxVariables + 1> VariableTable{};      // letters 0..n-1 (variable v is [v-1])
  uint8_t VariableCount = 0;                                // n, 0..15
  std::array<Director, kDirectorRows + 1> DirectorTable;    // rows 1..256
  uint16_t DirectorCount = 1;                               // next free director row
  uint16_t NextIntermediate = 20;                           // next intermediate cell, 20..64
  std::array<uint8_t, kValueCells + 1> ValueTable{};        // cells 1..64, each 0 or 1
  uint8_t EvalDone = 0;                                     // set by the EndDirector
  uint16_t RowMask = 0;                                     // low n bits set

  // ------------------------------------------------------------ truth table
  std::array<uint16_t, kTermCapacity + 1> TermValue{};  // bit v-1: value of variable v; entries 1..TermCount
  std::array<uint16_t, kTermCapacity + 1> TermMask{};   // bit v-1: variable v present; 0 marks a deleted entry
  std::array<uint8_t, kTermCapacity + 1> TermMark{};    // nonzero: parent of the current virtual term
  uint16_t TermCount = 0;                               // entries held, 0..32768
  uint16_t FullMask = 0;                                // (1 << n) - 1

  // ------------------------------------------------------------ reduction
  uint16_t VtValue = 0;                                 // current virtual term
  uint16_t VtMask = 0;
  std::array<VirtualSlot, kStackSlots + 1> VirtualStack{};  // slots 1..15, worked off first in first out
  uint8_t StackCount = 0;                               // slots filled
  uint8_t StackPos = 0;                                 // slots already taken out
  uint16_t VtHistory = 0;                               // difference bits stacked since the last reset
  uint8_t RescanFlag = 0;                               // an entry was merged or shortened this pass
  uint16_t ResumeIndex = 0;                             // entry i at which the last slice stopped
  uint8_t ResumeAtPass = 0;                             // the last slice stopped where a new pass begins
  TraceRecord Trace;                                    // overwritten at every comparison
  uint32_t SliceBudget = kSliceSteps;                   // loop steps after which a slice may end
  std::unique_ptr<FastTables> Fast;                     // fast path tables, allocated with the engine

  // ------------------------------------------------------------ input table
  std::array<uint16_t, kInputTerms + 1> InputValue{};  // typed terms 1..InputCount, as read
  std::array<uint16_t, kInputTerms + 1> InputMask{};
  uint8_t InputCount = 0;                              // 0..100

  // ------------------------------------------------------------ mode flags (0 or 1)
  uint8_t CnfMode = 1;      // 1 "CNF": the table lists rows where the function is 1; 0 "DNF"
  uint8_t FormulaMode = 1;  // 1 formula input, 0 table input
  uint8_t ReduceOn = 1;     // reduce after evaluation
  uint8_t TraceXlate = 0;   // stop after each translation stage
  uint8_t TraceScan = 0;    // stop before every reduction action

  // ------------------------------------------------------------ run flags
  uint8_t RunState = 0;     // 0 idle, 1 translating or evaluating, 2 reducing
  uint8_t GoOn = 0;         // cleared by <ESC> or window close to end a run
  uint8_t StepWait = 0;     // 1 while a run waits at a debug stop
  uint8_t InfoShown = 0;    // tables drawn in the info pane: 1 postfix, 2 variables, 4 directors

  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Blank both editor grids.
  void ClearGrids();
  // Empty the truth table: all values and masks 0, TermCount 0.
  void ClearTruthTable();
  // The variable letters as a view (n letters).
  std::string_view Variables() const { return {VariableTable.data(), VariableCount}; }
};

}  // namespace tervo
