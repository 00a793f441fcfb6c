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
#include <iterator>
#include <memory>
#include <string_view>

namespace tervo {

// ---------------------------------------------------------------- limits
// Every limit of the system, once; the others follow from these.
inline constexpr int kMaxVariables = 15;                     // distinct variables of a function
inline constexpr int kGridCols = 40;                         // formula editor columns
inline constexpr int kGridRows = 30;                         // formula editor rows
inline constexpr int kFormulaChars = kGridCols * kGridRows;  // 1200 non-blank formula characters
inline constexpr int kTableCols = kMaxVariables;             // table editor columns: one per variable
inline constexpr int kInputTerms = 100;                      // typed terms
inline constexpr int kTableLines = kInputTerms + 1;          // header line 0 and term lines 1..100
inline constexpr int kPostfixRows = 256;                     // PostfixTable rows 0..256: 254 filled at most
inline constexpr int kMaxBracketDepth = 21;                  // nested brackets
inline constexpr int kBracketPriority = 10;                  // priority added per bracket level
inline constexpr int kDirectorRows = 256;                    // DirectorTable rows 1..256
inline constexpr int kValueCells = 64;                       // ValueTable cells 1..64
inline constexpr int kFirstIntermediate = 20;                // cells 20..63 are handed out: 44 intermediates
inline constexpr int kTermCapacity = 1 << kMaxVariables;     // TruthTable entries 1..32768: every row
inline constexpr int kStackSlots = kMaxVariables;            // VirtualStack slots: one per difference bit
inline constexpr uint32_t kSliceSteps = 2'500'000;           // loop steps per reduction slice
static_assert(kMaxVariables <= 16, "a term is two 16-bit words");
static_assert(kMaxVariables < kFirstIntermediate, "variable cells come before the intermediates");

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

// Comparison codes of a first term with a second (entry i with entry j, or
// the virtual term with entry k): 1 when they agree (no variable present in
// both with opposite values), +2 when exactly one variable is opposite, +4
// when the second lacks a variable the first has, +8 when the first lacks
// one the second has. 3, 7, 11 and 15 cannot occur. D is the set of
// opposite variables; "drop D" clears it from a mask.
enum CompareCode : uint8_t {
  kApart = 0,
  kSame = 1,
  kMerge = 2,
  kApartSecondHole = 4,
  kFirstInside = 5,
  kFirstShortened = 6,
  kApartFirstHole = 8,
  kSecondInside = 9,
  kSecondShortened = 10,
  kApartBothHoles = 12,
  kOverlap = 13,
  kConsensus = 14,
};

// What a comparison of entry i with entry j does. A drop that empties a
// mask means the entry covers every assignment: the table is emptied and
// the reduction ends.
enum class PairAction : uint8_t {
  kNext,          // nothing: next j
  kDeleteSecond,  // delete j; next j
  kDeleteFirst,   // delete i; the j loop of i ends
  kMerge,         // delete j, drop D from i, rescan
  kDropFirst,     // drop D from i, rescan
  kDropSecond,    // drop D from j, rescan
  kGroup,         // a virtual-term group for (i, j); passed over ("skip") while RescanFlag is set
};

// What a comparison of the virtual term with entry k does.
enum class VtAction : uint8_t {
  kNext,            // nothing: next k
  kDeleteUnflagged, // delete k unless it is flagged
  kWidenOrDelete,   // a flagged k takes the VT's mask and rescan; any other k is deleted
  kTakeMask,        // the VT takes k's mask; flag k; restart the scan
  kMerge,           // drop D from k and from the VT; flag k; rescan; restart the scan
  kDropVt,          // drop D from the VT; flag k; restart the scan
  kDropSecond,      // drop D from k; rescan
  kStack,           // stack the consensus of the VT and k, unless k is flagged ("skip VT parent"),
                    // D is in VtHistory ("skip duplicate VT") or the stack is full
};

// One comparison code and everything it does: the reduction machine, the
// trace texts and the fast reduction's choice of what to compare all read
// this table. The trace text is chosen before the action.
struct CodeRow {
  CompareCode code;
  PairAction pair;       // entry i with entry j
  VtAction vt;           // the virtual term with entry k
  const char* pairText;  // trace text of the pair action
  const char* vtText;    // trace text of the virtual-term action
  bool acts;             // false: "no action" in both, nothing changes
};

// clang-format off
inline constexpr CodeRow kCodeTable[] = {
  // code              pair                        virtual term                 i with j text                  VT with k text          acts
  {kApart,           PairAction::kNext,         VtAction::kNext,            "no action",                   "no action",            false},
  {kSame,            PairAction::kDeleteSecond, VtAction::kDeleteUnflagged, "delete [j]",                  "delete TT",            true},
  {kMerge,           PairAction::kMerge,        VtAction::kMerge,           "delete [j] , drop [i] diff",  "drop diff in VT,TT",   true},
  {kApartSecondHole, PairAction::kNext,         VtAction::kNext,            "no action",                   "no action",            false},
  {kFirstInside,     PairAction::kDeleteFirst,  VtAction::kTakeMask,        "delete [i]",                  "set VT to TT",         true},
  {kFirstShortened,  PairAction::kDropFirst,    VtAction::kDropVt,          "drop [i] diff",               "drop diff in VT",      true},
  {kApartFirstHole,  PairAction::kNext,         VtAction::kNext,            "no action",                   "no action",            false},
  {kSecondInside,    PairAction::kDeleteSecond, VtAction::kWidenOrDelete,   "delete [j]",                  "delete TT",            true},
  {kSecondShortened, PairAction::kDropSecond,   VtAction::kDropSecond,      "drop [j] diff",               "drop diff in TT",      true},
  {kApartBothHoles,  PairAction::kNext,         VtAction::kNext,            "no action",                   "no action",            false},
  {kOverlap,         PairAction::kNext,         VtAction::kNext,            "no action",                   "no action",            false},
  {kConsensus,       PairAction::kGroup,        VtAction::kStack,           "virtual:",                    "new VT",               true},
};
// clang-format on

// Trace texts of the two actions that may be passed over.
inline constexpr const char* kSkipText = "skip";                     // kGroup while RescanFlag is set
inline constexpr const char* kSkipParentText = "skip VT parent";     // kStack with k flagged
inline constexpr const char* kSkipDuplicateText = "skip duplicate VT";  // kStack with D in VtHistory

// The table by code, 16 rows; the codes that cannot occur read as kApart's.
constexpr std::array<CodeRow, 16> RowsByCode() {
  std::array<CodeRow, 16> rows{};
  for (CodeRow& row : rows) row = kCodeTable[0];
  for (const CodeRow& row : kCodeTable) rows[row.code] = row;
  return rows;
}
inline constexpr std::array<CodeRow, 16> kRowByCode = RowsByCode();

// The row of a code: one lookup, made at every comparison.
constexpr const CodeRow& CodeRowOf(uint8_t code) { return kRowByCode[code & 15]; }

namespace code_table_checks {
constexpr bool RowsAreTheCodes() {
  int last = -1;
  for (const CodeRow& row : kCodeTable) {
    const int c = row.code;
    if (c <= last || (c & 3) == 3) return false;  // ascending; one or no difference, never both
    last = c;
  }
  return true;
}
// A row acts exactly when both of its actions do something.
constexpr bool ActsMatchesActions() {
  for (const CodeRow& row : kCodeTable)
    if (row.acts != (row.pair != PairAction::kNext) || row.acts != (row.vt != VtAction::kNext)) return false;
  return true;
}
static_assert(std::size(kCodeTable) == 12 && RowsAreTheCodes(), "one row per comparison code, in code order");
static_assert(ActsMatchesActions(), "a row acts when its actions do");
static_assert(CodeRowOf(kConsensus).pair == PairAction::kGroup && CodeRowOf(3).code == kApart);
}  // namespace code_table_checks

// TraceRecord.kind.
enum TraceKind : uint8_t {
  kPairCompare = 1,     // truth-table compare: entry i with entry j
  kVirtualCompare = 2,  // virtual-term compare: the VT with entry k
};

// What the reduction hands to the trace panel at every comparison. Fields a
// kind does not write keep their earlier values.
struct TraceRecord {
  uint8_t kind = 0;          // a TraceKind: kPairCompare or kVirtualCompare
  uint8_t code = 0;          // the comparison's CompareCode
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

// A host that hands every call of the reduction to another one. Base is
// RunHost or a host class derived from it; a host that changes one call
// derives from this and overrides that call.
template <class Base = RunHost>
class ForwardingHost : public Base {
 public:
  explicit ForwardingHost(RunHost& inner) : inner_(inner) {}
  void ShowProgress(std::string_view text) override { inner_.ShowProgress(text); }
  void ProcessPendingEvents() override { inner_.ProcessPendingEvents(); }
  void DrawTraceStep(const TraceRecord& record) override { inner_.DrawTraceStep(record); }
  void WaitAtStop() override { inner_.WaitAtStop(); }
  void ClearTraceRecord() override { inner_.ClearTraceRecord(); }

 protected:
  RunHost& inner_;  // the host that shows and waits
};

struct FastTables;  // the fast reduction's own tables (fast_reduce.h)

// The reduction is one machine that moves from step to step; a slice may end
// between any two steps and the next slice goes on from there. Besides this
// record its state is the virtual term, the stack, VtHistory, RescanFlag and
// the TermMark flags, all in the engine.
enum class ReducePhase : uint8_t {
  kPassStart,   // next: start a pass (flags cleared, table compacted, i = 1)
  kCompare,     // next: advance j and compare entry i with entry j
  kEntryEnd,    // next: the j loop of entry i is over, go on with i + 1
  kScan,        // next: advance k and compare the virtual term with entry k
  kScanEnd,     // next: the scan with the current virtual term is over
  kFinished,    // the reduction is over
};

struct ReduceState {
  ReducePhase phase = ReducePhase::kFinished;
  uint16_t i = 0;  // the entry whose j loop runs
  uint16_t j = 0;  // the entry last compared with i (or passed over)
  uint16_t k = 0;  // the entry last compared with the virtual term (or passed over)
};

// RunState.
enum RunStateValue : uint8_t {
  kRunIdle = 0,         // editing allowed
  kRunTranslating = 1,  // a run is translating or evaluating
  kRunReducing = 2,     // a run is reducing
};

// ---------------------------------------------------------------- the engine
// The tables and results first, which every stage, the window, the tool
// and the file format read; then each stage's working state between its
// steps; then the settings of the reduction's slices.
struct Engine {
  // ============================================================ tables and results

  // ------------------------------------------------------------ error state
  uint8_t ErrorCode = kOk;  // 0..17, index into MessageTable

  // ------------------------------------------------------------ editor grids
  std::array<std::array<char, kGridCols>, kGridRows> FormulaGrid;   // [row][col], blank = ' '
  std::array<std::array<char, kTableCols>, kTableLines> TableGrid;  // [line][col]; line 0 is the header

  // ------------------------------------------------------------ formula translation
  std::array<char, kFormulaChars + 1> FormulaText;          // positions 1..1200, blank padded
  std::array<PostfixEntry, kPostfixRows + 1> PostfixTable;  // rows 0..256; row 0 is scratch
  uint16_t PostfixCount = 1;                                // index of the open row
  std::array<char, kMaxVariables + 1> VariableTable{};      // letters 0..n-1 (variable v is [v-1])
  uint8_t VariableCount = 0;                                // n, 0..15
  std::array<Director, kDirectorRows + 1> DirectorTable;    // rows 1..256
  uint16_t DirectorCount = 1;                               // next free director row
  uint16_t RowMask = 0;                                     // low n bits set

  // ------------------------------------------------------------ truth table
  std::array<uint16_t, kTermCapacity + 1> TermValue{};  // bit v-1: value of variable v; entries 1..TermCount
  std::array<uint16_t, kTermCapacity + 1> TermMask{};   // bit v-1: variable v present; 0 marks a deleted entry
  std::array<uint8_t, kTermCapacity + 1> TermMark{};    // nonzero: parent of the current virtual term
  uint16_t TermCount = 0;                               // entries held, 0..32768
  uint16_t FullMask = 0;                                // (1 << n) - 1

  // ------------------------------------------------------------ reduction, as the trace shows it
  uint16_t VtValue = 0;                                     // the current virtual term's value
  uint16_t VtMask = 0;                                      // the current virtual term's mask
  std::array<VirtualSlot, kStackSlots + 1> VirtualStack{};  // slots 1..15, worked off first in first out
  uint8_t StackCount = 0;                                   // slots filled
  uint8_t StackPos = 0;                                     // slots already taken out
  uint16_t VtHistory = 0;                                   // difference bits stacked since the last reset
  uint8_t RescanFlag = 0;                                   // an entry was merged or shortened this pass
  TraceRecord Trace;                                        // overwritten at every comparison
  uint32_t PassCount = 0;                                   // passes started, ever (a run's progress counts from its start)

  // ------------------------------------------------------------ input table
  std::array<uint16_t, kInputTerms + 1> InputValue{};  // typed terms' values 1..InputCount, as read
  std::array<uint16_t, kInputTerms + 1> InputMask{};   // typed terms' masks 1..InputCount
  uint8_t InputCount = 0;                              // 0..100

  // ------------------------------------------------------------ mode flags (0 or 1)
  uint8_t CnfMode = 1;      // 1 "CNF": the table lists rows where the function is 1; 0 "DNF"
  uint8_t FormulaMode = 1;  // 1 formula input, 0 table input
  uint8_t ReduceOn = 1;     // reduce after evaluation
  uint8_t TraceXlate = 0;   // stop after each translation stage
  uint8_t TraceScan = 0;    // stop before every reduction action

  // ------------------------------------------------------------ run flags
  uint8_t RunState = kRunIdle;  // a RunStateValue
  uint8_t GoOn = 0;             // cleared by <ESC> or window close to end a run
  uint8_t StepWait = 0;         // 1 while a run waits at a debug stop

  // ============================================================ working state of the stages

  // ------------------------------------------------------------ scanner
  uint16_t ScanPos = 1;    // position in FormulaText, 1..1200
  char PrevSymbol = ' ';   // ' ', 'A', '/', '.', '(' or ')': what the last character was

  // ------------------------------------------------------------ director generator and evaluator
  uint16_t NextIntermediate = kFirstIntermediate;     // next intermediate cell, 20..64
  std::array<uint8_t, kValueCells + 1> ValueTable{};  // cells 1..64, each 0 or 1
  uint8_t EvalDone = 0;                               // set by the EndDirector

  // ------------------------------------------------------------ reduction machine
  ReduceState Reduce;                // where the reduction stands between two slices
  std::unique_ptr<FastTables> Fast;  // the fast path's sets and statistics, allocated with the engine

  // ============================================================ settings

  uint32_t SliceBudget = kSliceSteps;  // loop steps after which a slice may end

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
