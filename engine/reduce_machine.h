// The reduction machine: one set of steps, resumable between any two of
// them, shared by the plain loop (every entry is compared, the Scan trace
// stops at each comparison) and the fast reduction (only the entries whose
// comparison can act are compared). Which entries a step compares is the
// policy's business; what a comparison does is the machine's.
//
// The steps:
//   pass start       flags cleared, table compacted, i = 1
//   compare i, j     advance j, compare entry i with entry j, act (code 14
//                    starts a virtual-term group: the VT, its parents
//                    flagged, an empty stack, a scan from k = 0)
//   end of entry     the j loop of i is over: next i, a new pass, or done
//   scan with VT     advance k, compare the VT with entry k, act
//   end of scan      a new pass (rescan), the next stacked VT, or the end of
//                    the group (flags cleared, back to the j loop)
//
// A step is counted for every advance of j or k, over deleted entries too
// and past TermCount. A slice ends after any step once its step budget is
// used up when SliceAnywhere is set, otherwise only at the end of an entry's
// j loop or at a pass start; and after any step once its time is up. The
// fast policy passes over many plain steps at once and ends a slice exactly
// at the step where the plain loop would.
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

#define TERVO_INLINE inline __attribute__((always_inline))

// Comparison code of a first term with a second whose difference is d.
TERVO_INLINE CompareCode CodeOf(uint16_t full, uint16_t m1, uint16_t m2, uint16_t d) {
  const bool firstHole = ((full & ~m1) & m2) != 0;
  const bool secondHole = ((full & ~m2) & m1) != 0;
  return static_cast<CompareCode>((d == 0 ? 1 : 0) + (d != 0 && (d & (d - 1)) == 0 ? 2 : 0) + (secondHole ? 4 : 0) +
                                  (firstHole ? 8 : 0));
}

TERVO_INLINE void MakeConsensus(uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2, uint16_t d,
                                uint16_t& value, uint16_t& mask) {
  mask = static_cast<uint16_t>((m1 | m2) & (full ^ d));
  value = static_cast<uint16_t>(((v1 & m1) | (v2 & m2)) & mask);
}

TERVO_INLINE void FillRecord(TraceRecord& rec, uint16_t full, uint16_t m1, uint16_t m2, uint16_t d, CompareCode code,
                             uint8_t rescan) {
  rec.code = code;
  rec.diff = d;
  rec.noDiff = d == 0;
  rec.singleDiff = d != 0 && (d & (d - 1)) == 0;
  rec.firstHole = ((full & ~m1) & m2) != 0;
  rec.secondHole = ((full & ~m2) & m1) != 0;
  rec.rescan = rescan;
}

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

// One slice of the reduction with policy P. resume 1 goes on where the last
// slice stopped; anything else starts the reduction.
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
TERVO_INLINE uint8_t RunMachine(Engine& e, RunHost& host, uint8_t resume, P& p, const SliceLimits& lim) {
  using Clock = std::chrono::steady_clock;
  using enum ReducePhase;
  FastStats& stats = p.stats;
  auto& val = e.TermValue;
  auto& msk = e.TermMask;
  auto& mark = e.TermMark;
  auto& rec = e.Trace;
  const uint16_t full = e.FullMask;
  ReducePhase phase;
  unsigned i, j, k;
  if (resume == 1) {
    phase = e.Reduce.phase;
    i = e.Reduce.i;
    j = e.Reduce.j;
    k = e.Reduce.k;
    ++stats.slices;
    p.Begin(e, false);
  } else {
    phase = kPassStart;
    i = j = k = 0;
    stats = FastStats{};
    stats.slices = 1;
    p.Begin(e, true);
  }
  e.ResumeAtPass = 0;
  uint64_t steps = 0;
  const uint64_t budget = lim.budget;
  // The budget checked after every step: none unless slices end anywhere.
  const uint64_t stepLimit = lim.anywhere ? budget : ~uint64_t{0};
  const Clock::time_point start = lim.micros ? Clock::now() : Clock::time_point{};
  unsigned clock = kClockEvery;
  uint8_t result = kSliceMore;
  // Move the j or k cursor on to `next` (kept within cursor + 1 and
  // TermCount + 1), counting a step for every entry passed over as the
  // plain loop would. False when the budget runs out among those entries:
  // the cursor then stops at the plain loop's step, and the slice ends.
  auto Advance = [&](unsigned& cursor, unsigned next) {
    next = std::max(std::min(next, e.TermCount + 1u), cursor + 1);
    if (lim.anywhere && next - cursor > budget - steps + 1) {
      const unsigned land = cursor + static_cast<unsigned>(budget - steps + 1);
      p.Skipped(e, cursor + 1, land);
      steps = budget + 1;
      cursor = land;
      return false;
    }
    p.Skipped(e, cursor + 1, next - 1);
    steps += next - cursor;
    cursor = next;
    return true;
  };

  for (;;) {
    switch (phase) {
      case kPassStart:
        if (steps > budget) goto Stop;
        ++stats.passes;
        ++e.PassCount;
        p.ClearFlags(e);
        i = 1;
        j = 1;
        e.RescanFlag = 0;
        CompactTable(e);
        p.PassStarted(e);
        p.PairChanged();
        phase = kCompare;
        break;

      case kCompare: {
      CompareStep:
        if (!Advance(j, msk[i] == 0 ? j + 1 : p.NextJ(e, i, j))) break;
        if (j > e.TermCount || msk[i] == 0) {
          phase = kEntryEnd;
          break;
        }
        if (msk[j] == 0) break;
        ++stats.compares;
        p.Compared();
        const auto d = static_cast<uint16_t>((val[i] ^ val[j]) & msk[i] & msk[j]);
        const CompareCode code = CodeOf(full, msk[i], msk[j], d);
        if (p.Records(e)) {
          rec.kind = 1;
          rec.i = static_cast<uint16_t>(i);
          rec.j = static_cast<uint16_t>(j);
          FillRecord(rec, full, msk[i], msk[j], d, code, e.RescanFlag);
          if (!p.Show(e, host)) goto Ended;
        }
        switch (code) {
          case kSame:
          case kSecondInside:
            p.SetMask(e, j, 0);
            break;
          case kFirstInside:
            p.SetMask(e, i, 0);
            phase = kEntryEnd;
            break;
          case kMerge:
            p.SetMask(e, j, 0);
            [[fallthrough]];
          case kFirstShortened:
            p.SetMask(e, i, static_cast<uint16_t>(msk[i] & ~d));
            e.RescanFlag = 1;
            if (msk[i] == 0) goto EmptyEnd;
            p.PairChanged();
            break;
          case kSecondShortened:
            p.SetMask(e, j, static_cast<uint16_t>(msk[j] & ~d));
            e.RescanFlag = 1;
            if (msk[j] == 0) goto EmptyEnd;
            break;
          case kConsensus:
            if (e.RescanFlag) break;
            // A virtual-term group for (i, j).
            ++stats.groups;
            MakeConsensus(full, val[i], msk[i], val[j], msk[j], d, e.VtValue, e.VtMask);
            p.Flag(e, i);
            p.Flag(e, j);
            e.StackPos = 0;
            e.StackCount = 0;
            e.VtHistory = 0;
            k = 0;
            ++stats.scans;
            p.ScanChanged();
            phase = kScan;
            break;
          default:
            break;
        }
        break;
      }

      case kEntryEnd:
        if (steps > budget) goto Stop;
        ++i;
        if (i < e.TermCount) {
          j = i;
          p.PairChanged();
          phase = kCompare;
        } else if (e.RescanFlag) {
          phase = kPassStart;
        } else {
          goto Finish;
        }
        break;

      case kScan: {
      ScanStep:
        if (!Advance(k, p.NextK(e, k))) break;
        if (k > e.TermCount) {
          phase = kScanEnd;
          break;
        }
        if (msk[k] == 0) break;
        ++stats.compares;
        p.Compared();
        const auto d = static_cast<uint16_t>((e.VtValue ^ val[k]) & e.VtMask & msk[k]);
        const CompareCode code = p.KnownConsensus(k) ? kConsensus : CodeOf(full, e.VtMask, msk[k], d);
        if (p.Records(e)) {
          rec.kind = 2;
          rec.k = static_cast<uint16_t>(k);
          rec.history = e.VtHistory;
          FillRecord(rec, full, e.VtMask, msk[k], d, code, e.RescanFlag);
          if (!p.Show(e, host)) goto Ended;
        }
        bool restart = false;
        switch (code) {
          case kSame:
            if (!mark[k]) p.SetMask(e, k, 0);
            break;
          case kSecondInside:
            if (mark[k]) {
              p.SetMask(e, k, e.VtMask);
              e.RescanFlag = 1;
            } else {
              p.SetMask(e, k, 0);
            }
            break;
          case kFirstInside:
            e.VtMask = msk[k];
            p.Flag(e, k);
            restart = true;
            break;
          case kMerge:
            p.SetMask(e, k, static_cast<uint16_t>(msk[k] & ~d));
            e.VtMask = static_cast<uint16_t>(e.VtMask & ~d);
            p.Flag(e, k);
            e.RescanFlag = 1;
            restart = true;
            break;
          case kFirstShortened:
            e.VtMask = static_cast<uint16_t>(e.VtMask & ~d);
            p.Flag(e, k);
            restart = true;
            break;
          case kSecondShortened:
            p.SetMask(e, k, static_cast<uint16_t>(msk[k] & ~d));
            e.RescanFlag = 1;
            break;
          case kConsensus:
            if (!mark[k] && (d & e.VtHistory) == 0 && e.StackCount < kStackSlots) {
              e.VtHistory = static_cast<uint16_t>(e.VtHistory | d);
              ++e.StackCount;
              VirtualSlot& slot = e.VirtualStack[e.StackCount];
              MakeConsensus(full, e.VtValue, e.VtMask, val[k], msk[k], d, slot.value, slot.mask);
              slot.source = static_cast<uint16_t>(k);
              p.HistoryAdded(e, d);
            }
            break;
          default:
            break;
        }
        if (restart) {
          p.Restarted(e);
          e.StackPos = 0;
          e.StackCount = 0;
          e.VtHistory = 0;
          k = 0;
          ++stats.scans;
          ++stats.restarts;
          p.ScanChanged();
        }
        break;
      }

      case kScanEnd:
        if (e.RescanFlag) {
          // The pass is abandoned; a new one starts.
          phase = kPassStart;
        } else if (e.StackPos == e.StackCount) {
          // End of the group: back to the j loop of i.
          p.ClearFlags(e);
          p.PairChanged();
          phase = kCompare;
        } else {
          // The next stacked virtual term.
          ++e.StackPos;
          const VirtualSlot& slot = e.VirtualStack[e.StackPos];
          e.VtValue = slot.value;
          e.VtMask = slot.mask;
          p.Flag(e, slot.source);
          k = 0;
          ++stats.scans;
          ++stats.pops;
          p.ScanChanged();
          phase = kScan;
        }
        break;

      case kFinished:
        goto Finish;
    }
    if (steps > stepLimit) goto Stop;
    if (lim.micros != 0 && --clock == 0) {
      clock = kClockEvery;
      if (Clock::now() - start >= std::chrono::microseconds(lim.micros)) goto Stop;
    }
    // The two steps that follow themselves most often, without the switch.
    if (phase == kScan) goto ScanStep;
    if (phase == kCompare) goto CompareStep;
  }

Stop:
  e.Reduce = {phase, static_cast<uint16_t>(i), static_cast<uint16_t>(j), static_cast<uint16_t>(k)};
  e.ResumeIndex = static_cast<uint16_t>(i);
  e.ResumeAtPass = phase == kPassStart;
  if (!e.GoOn) {  // the window is closing: no further slice
    host.ClearTraceRecord();
    result = kSliceDone;
  }
  stats.steps += steps;
  return result;

Ended:  // the user ended the run at a trace stop
  host.ClearTraceRecord();
  p.ClearFlags(e);
  e.TermCount = 0;
  e.Reduce.phase = kFinished;
  stats.steps += steps;
  return kSliceDone;

EmptyEnd:  // an entry covers every assignment
  e.TermCount = 0;
Finish:
  e.Reduce.phase = kFinished;
  host.ClearTraceRecord();
  stats.steps += steps;
  return kSliceDone;
}

}  // namespace tervo::machine
