// The reduction machine: one set of steps, resumable between any two of
// them, shared by the plain loop (every entry is compared, the Scan trace
// stops at each comparison) and the fast reduction (only the entries whose
// comparison can act are compared). Which entries a step compares is the
// policy's business; what a comparison does is the machine's, read from the
// code table (kCodeTable, engine.h).
//
// The steps, one function each, each returning the phase that follows:
//   PassStart     flags cleared, table compacted, i = 1
//   ComparePair   advance j, compare entry i with entry j, act (a group
//                 starts with the VT, its parents flagged, an empty stack
//                 and a scan from k = 0)
//   EntryEnd      the j loop of i is over: next i, a new pass, or done
//   ScanVt        advance k, compare the VT with entry k, act
//   ScanEnd       a new pass (rescan), the next stacked VT, or the end of
//                 the group (flags cleared, back to the j loop)
//
// A step is counted for every advance of j or k, over deleted entries too
// and past TermCount. A slice ends after any step once its step budget is
// used up when the limits say so (slices that end anywhere), otherwise only before a pass
// start or the end of an entry's j loop; and after any step once its time
// is up. The fast policy passes over many plain steps at once and ends a
// slice exactly at the step where the plain loop would.
//
// This header is included by the two policies' source files only.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "engine.h"
#include "fast_reduce.h"
#include "logic_unit.h"

namespace tervo::machine {

// When a slice ends.
struct SliceLimits {
  uint64_t budget = kSliceSteps;  // steps
  bool anywhere = false;          // the budget ends a slice after any step
  uint32_t micros = 0;            // time limit, 0 none
};

// Steps between two looks at the clock: the longest step of the fast policy
// (a sweep over every block, or a pass start) takes a few microseconds to a
// millisecond, so the limit is overrun by little.
inline constexpr unsigned kClockEvery = 128;

// One slice of the reduction with policy P.
//
// The policy provides:
//   Begin(e, fresh)         a slice starts (fresh: the reduction starts)
//   PassStarted(e)          the table was compacted at a pass start
//   NextJ(e, i, j), NextK(e, k)
//                           the next entry after j (k) to compare, or any
//                           number above TermCount; entries passed over must
//                           be deleted or compare without an action
//   Skipped(e, lo, hi)      entries lo..hi were passed over
//   Compared()              a comparison is made
//   KnownConsensus(k)       true when entry k is known to compare with the
//                           VT with code 14 (false when not known)
//   PairChanged()           entry i, or its mask, changed (or a group ended)
//   ScanChanged()           the VT changed or a scan starts from k = 0
//   Restarted(e)            the scan restarts: the entry compared last changed the VT
//   HistoryAdded(e, d)      d joined VtHistory during the current scan
//   SetMask(e, t, m)        mask(t) := m, a subset of it (0 deletes)
//   Flag(e, t), ClearFlags(e)
//   Records(e)              fill the TraceRecord at each comparison
//   Show(e, host)           hand the record over; false ends the run
//   stats                   a FastStats to count into
template <class P>
class Machine {
 public:
  using Clock = std::chrono::steady_clock;

  TERVO_INLINE Machine(Engine& e, RunHost& host, P& p, const SliceLimits& lim)
      : e_(e),
        host_(host),
        p_(p),
        stats_(p.stats),
        lim_(lim),
        full_(e.FullMask),
        stepLimit_(lim.anywhere ? lim.budget : ~uint64_t{0}),
        start_(lim.micros ? Clock::now() : Clock::time_point{}) {}

  // Run one slice; resume 1 goes on where the last slice stopped, anything
  // else starts the reduction. Returns kSliceMore or kSliceDone.
  TERVO_INLINE uint8_t Run(uint8_t resume) {
    using enum ReducePhase;
    ReducePhase phase = Begin(resume);
    if (phase == kFinished) return Finish();
    for (;;) {
      switch (phase) {
        case kPassStart:
          if (BudgetUsed()) return Stop(phase);
          phase = PassStart();
          break;
        case kCompare:
          phase = ComparePair();
          break;
        case kEntryEnd:
          if (BudgetUsed()) return Stop(phase);
          phase = EntryEnd();
          break;
        case kScan:
          phase = ScanVt();
          break;
        case kScanEnd:
          phase = ScanEnd();
          break;
        case kFinished:
          break;
      }
      if (phase == kFinished) return Finish();
      if (SliceOver()) return Stop(phase);
    }
  }

 private:
  // ------------------------------------------------------------ the steps

  TERVO_INLINE ReducePhase PassStart() {
    ++stats_.passes;
    ++e_.PassCount;
    p_.ClearFlags(e_);
    i_ = 1;
    j_ = 1;
    e_.RescanFlag = 0;
    CompactTable(e_);
    p_.PassStarted(e_);
    p_.PairChanged();
    return ReducePhase::kCompare;
  }

  TERVO_INLINE ReducePhase ComparePair() {
    auto& msk = e_.TermMask;
    auto& val = e_.TermValue;
    if (!Advance(j_, msk[i_] == 0 ? j_ + 1 : p_.NextJ(e_, i_, j_))) return ReducePhase::kCompare;
    if (j_ > e_.TermCount || msk[i_] == 0) return ReducePhase::kEntryEnd;
    if (msk[j_] == 0) return ReducePhase::kCompare;
    ++stats_.compares;
    p_.Compared();
    const uint16_t d = Difference(val[i_], msk[i_], val[j_], msk[j_]);
    const CompareCode code = CodeOf(full_, msk[i_], msk[j_], d);
    if (p_.Records(e_)) {
      e_.Trace.kind = kPairCompare;
      e_.Trace.i = static_cast<uint16_t>(i_);
      e_.Trace.j = static_cast<uint16_t>(j_);
      if (!Show(code, msk[i_], msk[j_], d)) return Ended();
    }
    return ActOnPair(CodeRowOf(code).pair, d);
  }

  TERVO_INLINE ReducePhase EntryEnd() {
    ++i_;
    if (i_ < e_.TermCount) {
      j_ = i_;
      p_.PairChanged();
      return ReducePhase::kCompare;
    }
    return e_.RescanFlag ? ReducePhase::kPassStart : ReducePhase::kFinished;
  }

  TERVO_INLINE ReducePhase ScanVt() {
    auto& msk = e_.TermMask;
    if (!Advance(k_, p_.NextK(e_, k_))) return ReducePhase::kScan;
    if (k_ > e_.TermCount) return ReducePhase::kScanEnd;
    if (msk[k_] == 0) return ReducePhase::kScan;
    ++stats_.compares;
    p_.Compared();
    const uint16_t d = Difference(e_.VtValue, e_.VtMask, e_.TermValue[k_], msk[k_]);
    const CompareCode code = p_.KnownConsensus(k_) ? kConsensus : CodeOf(full_, e_.VtMask, msk[k_], d);
    if (p_.Records(e_)) {
      e_.Trace.kind = kVirtualCompare;
      e_.Trace.k = static_cast<uint16_t>(k_);
      e_.Trace.history = e_.VtHistory;
      if (!Show(code, e_.VtMask, msk[k_], d)) return Ended();
    }
    return ActOnVt(CodeRowOf(code).vt, d);
  }

  TERVO_INLINE ReducePhase ScanEnd() {
    if (e_.RescanFlag) return ReducePhase::kPassStart;  // the pass is abandoned; a new one starts
    if (e_.StackPos == e_.StackCount) {
      // End of the group: back to the j loop of i.
      p_.ClearFlags(e_);
      p_.PairChanged();
      return ReducePhase::kCompare;
    }
    // The next stacked virtual term.
    ++e_.StackPos;
    const VirtualSlot& slot = e_.VirtualStack[e_.StackPos];
    e_.VtValue = slot.value;
    e_.VtMask = slot.mask;
    p_.Flag(e_, slot.source);
    ++stats_.pops;
    return NewScan();
  }

  // ------------------------------------------------------------ the actions

  TERVO_INLINE ReducePhase ActOnPair(PairAction action, uint16_t d) {
    auto& msk = e_.TermMask;
    switch (action) {
      case PairAction::kNext:
        break;
      case PairAction::kDeleteSecond:
        p_.SetMask(e_, j_, 0);
        break;
      case PairAction::kDeleteFirst:
        p_.SetMask(e_, i_, 0);
        return ReducePhase::kEntryEnd;
      case PairAction::kMerge:
        p_.SetMask(e_, j_, 0);
        return DropFromFirst(d);
      case PairAction::kDropFirst:
        return DropFromFirst(d);
      case PairAction::kDropSecond:
        p_.SetMask(e_, j_, static_cast<uint16_t>(msk[j_] & ~d));
        e_.RescanFlag = 1;
        if (msk[j_] == 0) return Emptied();
        break;
      case PairAction::kGroup:
        if (!e_.RescanFlag) return StartGroup(d);
        break;
    }
    return ReducePhase::kCompare;
  }

  TERVO_INLINE ReducePhase DropFromFirst(uint16_t d) {
    p_.SetMask(e_, i_, static_cast<uint16_t>(e_.TermMask[i_] & ~d));
    e_.RescanFlag = 1;
    if (e_.TermMask[i_] == 0) return Emptied();
    p_.PairChanged();
    return ReducePhase::kCompare;
  }

  // A virtual-term group for (i, j): their consensus is the VT.
  TERVO_INLINE ReducePhase StartGroup(uint16_t d) {
    ++stats_.groups;
    Consensus(full_, e_.TermValue[i_], e_.TermMask[i_], e_.TermValue[j_], e_.TermMask[j_], d, e_.VtValue, e_.VtMask);
    p_.Flag(e_, i_);
    p_.Flag(e_, j_);
    EmptyStack();
    return NewScan();
  }

  TERVO_INLINE ReducePhase ActOnVt(VtAction action, uint16_t d) {
    auto& msk = e_.TermMask;
    auto flagged = [this] { return e_.TermMark[k_] != 0; };
    switch (action) {
      case VtAction::kNext:
        break;
      case VtAction::kDeleteUnflagged:
        if (!flagged()) p_.SetMask(e_, k_, 0);
        break;
      case VtAction::kWidenOrDelete:
        if (flagged()) {
          p_.SetMask(e_, k_, e_.VtMask);
          e_.RescanFlag = 1;
        } else {
          p_.SetMask(e_, k_, 0);
        }
        break;
      case VtAction::kTakeMask:
        e_.VtMask = msk[k_];
        p_.Flag(e_, k_);
        return Restart();
      case VtAction::kMerge:
        p_.SetMask(e_, k_, static_cast<uint16_t>(msk[k_] & ~d));
        e_.VtMask = static_cast<uint16_t>(e_.VtMask & ~d);
        p_.Flag(e_, k_);
        e_.RescanFlag = 1;
        return Restart();
      case VtAction::kDropVt:
        e_.VtMask = static_cast<uint16_t>(e_.VtMask & ~d);
        p_.Flag(e_, k_);
        return Restart();
      case VtAction::kDropSecond:
        p_.SetMask(e_, k_, static_cast<uint16_t>(msk[k_] & ~d));
        e_.RescanFlag = 1;
        break;
      case VtAction::kStack:
        if (!flagged() && (d & e_.VtHistory) == 0 && e_.StackCount < kStackSlots) Stack(d);
        break;
    }
    return ReducePhase::kScan;
  }

  // Stack the consensus of the VT and entry k.
  TERVO_INLINE void Stack(uint16_t d) {
    e_.VtHistory = static_cast<uint16_t>(e_.VtHistory | d);
    ++e_.StackCount;
    VirtualSlot& slot = e_.VirtualStack[e_.StackCount];
    Consensus(full_, e_.VtValue, e_.VtMask, e_.TermValue[k_], e_.TermMask[k_], d, slot.value, slot.mask);
    slot.source = static_cast<uint16_t>(k_);
    p_.HistoryAdded(e_, d);
  }

  // The VT changed: the stack is dropped and the scan begins again.
  TERVO_INLINE ReducePhase Restart() {
    p_.Restarted(e_);
    EmptyStack();
    ++stats_.restarts;
    return NewScan();
  }

  TERVO_INLINE void EmptyStack() {
    e_.StackPos = 0;
    e_.StackCount = 0;
    e_.VtHistory = 0;
  }

  TERVO_INLINE ReducePhase NewScan() {
    k_ = 0;
    ++stats_.scans;
    p_.ScanChanged();
    return ReducePhase::kScan;
  }

  // Fill the rest of the TraceRecord and hand it over; false when the user
  // ended the run there.
  TERVO_INLINE bool Show(CompareCode code, uint16_t m1, uint16_t m2, uint16_t d) {
    TraceRecord& rec = e_.Trace;
    rec.code = code;
    rec.diff = d;
    rec.noDiff = d == 0;
    rec.singleDiff = HasSingleBit(d);
    rec.firstHole = FirstHasHole(full_, m1, m2);
    rec.secondHole = FirstHasHole(full_, m2, m1);
    rec.rescan = e_.RescanFlag;
    return p_.Show(e_, host_);
  }

  // ------------------------------------------------------------ slices

  TERVO_INLINE ReducePhase Begin(uint8_t resume) {
    if (resume == 1) {
      i_ = e_.Reduce.i;
      j_ = e_.Reduce.j;
      k_ = e_.Reduce.k;
      ++stats_.slices;
      p_.Begin(e_, false);
      return e_.Reduce.phase;
    }
    stats_ = FastStats{};
    stats_.slices = 1;
    p_.Begin(e_, true);
    return ReducePhase::kPassStart;
  }

  // Move the j or k cursor on to `next` (kept within cursor + 1 and
  // TermCount + 1), counting a step for every entry passed over as the
  // plain loop would. False when the budget runs out among those entries:
  // the cursor then stops at the plain loop's step, and the slice ends.
  TERVO_INLINE bool Advance(unsigned& cursor, unsigned next) {
    next = std::max(std::min(next, e_.TermCount + 1u), cursor + 1);
    if (lim_.anywhere && next - cursor > lim_.budget - steps_ + 1) {
      const unsigned land = cursor + static_cast<unsigned>(lim_.budget - steps_ + 1);
      p_.Skipped(e_, cursor + 1, land);
      steps_ = lim_.budget + 1;
      cursor = land;
      return false;
    }
    p_.Skipped(e_, cursor + 1, next - 1);
    steps_ += next - cursor;
    cursor = next;
    return true;
  }

  // Checked before a pass start and the end of an entry's j loop.
  TERVO_INLINE bool BudgetUsed() const { return steps_ > lim_.budget; }

  // Checked after every step.
  TERVO_INLINE bool SliceOver() {
    if (steps_ > stepLimit_) return true;
    if (lim_.micros == 0 || --clock_ != 0) return false;
    clock_ = kClockEvery;
    return Clock::now() - start_ >= std::chrono::microseconds(lim_.micros);
  }

  // The slice ends before `phase`; the next one goes on from there.
  uint8_t Stop(ReducePhase phase) {
    e_.Reduce = {phase, static_cast<uint16_t>(i_), static_cast<uint16_t>(j_), static_cast<uint16_t>(k_)};
    stats_.steps += steps_;
    if (e_.GoOn) return kSliceMore;
    host_.ClearTraceRecord();  // the window is closing: no further slice
    return kSliceDone;
  }

  // The user ended the run at a trace stop.
  ReducePhase Ended() {
    p_.ClearFlags(e_);
    e_.TermCount = 0;
    return ReducePhase::kFinished;
  }

  // An entry covers every assignment.
  ReducePhase Emptied() {
    e_.TermCount = 0;
    return ReducePhase::kFinished;
  }

  uint8_t Finish() {
    e_.Reduce.phase = ReducePhase::kFinished;
    host_.ClearTraceRecord();
    stats_.steps += steps_;
    return kSliceDone;
  }

  Engine& e_;
  RunHost& host_;
  P& p_;
  FastStats& stats_;
  const SliceLimits& lim_;
  const uint16_t full_;          // FullMask
  const uint64_t stepLimit_;     // the budget checked after every step: none unless slices end anywhere
  const Clock::time_point start_;  // when the slice began (only with a time limit)
  unsigned clock_ = kClockEvery;   // steps until the next look at the clock
  uint64_t steps_ = 0;           // steps made in this slice
  unsigned i_ = 0, j_ = 0, k_ = 0;  // the cursors: entry i, its partner j, the entry k met by the VT
};

template <class P>
TERVO_INLINE uint8_t RunMachine(Engine& e, RunHost& host, uint8_t resume, P& p, const SliceLimits& lim) {
  Machine<P> machine(e, host, p, lim);
  return machine.Run(resume);
}

}  // namespace tervo::machine
